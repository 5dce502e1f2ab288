#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QLocalServer;
class QLockFile;

namespace tw {

// One running copy per user. The running copy holds a lock file and listens
// on a local socket; a later launch finds the lock taken, hands a reopen
// request to the socket and exits. The lock, not the socket, decides who
// runs: a copy that is still starting (not listening yet) or busy (not
// reading yet) is waited for, and a socket file left by a crashed copy is
// removed only by the launch that took the lock. A lock that names this
// very process is stale: a copy that had the same pid left it (pid 1 of a
// new PID namespace each time), since no live copy of ours has our pid.
//
// Both live in the user's runtime folder when there is one (no other user
// may enter it, so none can take or fake them), else in the temporary folder.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // name: the socket's name and the lock file's stem, placed in folder()
    // unless it is an absolute path; the default is per user.
    explicit SingleInstanceGuard(const QString& name = defaultName(), QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    static QString defaultName();
    // $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user's
    // that no one else may enter and short enough for a socket path; else
    // the temporary folder.
    static QString folder();
    QString socketPath() const { return m_path; }
    QString lockPath() const { return m_path + QStringLiteral(".lock"); }
    // How long a later launch keeps trying to reach the running copy.
    static constexpr int defaultPatienceMs = 30'000;

    // True when this process is the running copy (it now listens); false when
    // another copy is running and was asked to come forward: this one should
    // exit. Blocks while the running copy is starting or busy, at most the
    // patience.
    bool tryBecomePrimary();
    bool isPrimary() const { return m_primary; }
    void setPatience(int ms) { m_patienceMs = ms; }

    // The two halves of becoming the running copy, for a start that takes
    // its time in between: take the lock (false when another copy holds it),
    // then listen.
    bool claim();
    void listen();

    // How many times this launch has tried to reach a running copy, and
    // whether it has handed over its request and waits for the answer.
    int attempts() const { return m_attempts.load(); }
    bool isWaitingForAnswer() const { return m_waiting.load(); }

signals:
    // A later launch asked for the window.
    void reopenRequested();

private:
    enum class Handover { answered, sent, unreachable };
    Handover handOver(int timeoutMs);
    void readRequest();

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
    int m_patienceMs = defaultPatienceMs;
    std::atomic<int> m_attempts{0};
    std::atomic<bool> m_waiting{false};
};

} // namespace tw
