#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace tw {

class LocalListener;
namespace privatefolder {
class Folder;
}

// One running copy per user. The running copy holds a lock file and listens
// on a local socket; a later launch finds the lock taken, hands a reopen
// request to the socket and exits. The lock, not the socket, decides who
// runs: a copy that is still starting (not listening yet) or busy (not
// reading yet) is waited for, and a socket file left by a crashed copy is
// removed only by the launch that took the lock. The lock is the kernel's
// (flock): it goes with its holder, however that ends. The running copy
// keeps listening while it has no descriptor to take a connection with.
//
// Both live in a folder of the user's own that no one else may enter, the
// first of the candidates that is one (made when it may be) and can hold the
// lock. The folder is opened once and used only through that descriptor
// (without /proc, the socket by the folder's path, once it names that folder).
// Nothing in it that another account made is believed: a lock or socket
// file not ours, or a listener whose credentials are not ours, passes the
// folder over. With no folder left, the program runs as the one copy and
// says so.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    struct Folder {
        QString path;
        bool make = false;  // made with mode 0700 when missing
    };

    // name: the socket's name and the lock file's stem; folders: where they
    // may live, in order.
    explicit SingleInstanceGuard(const QString& name = defaultName(), std::vector<Folder> folders = defaultFolders(),
                                 QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    static QString defaultName();
    // $XDG_RUNTIME_DIR when it is an absolute path (used only as it is),
    // then "tidewell-runtime-<uid>" in the temporary folder and in the
    // user's cache folder.
    static std::vector<Folder> defaultFolders();
    // The socket's path in the folder in use: the one where the lock is
    // held, by us or by the copy this launch hands over to; before that,
    // the first candidate that may serve. Empty when none may.
    QString socketPath() const;
    QString lockPath() const;
    // How long a later launch keeps trying to reach the running copy.
    static constexpr int defaultPatienceMs = 30'000;

    // True when this process is the running copy (it now listens, or there
    // is nowhere to); false when another copy is running and was asked to
    // come forward: this one should exit. Blocks while the running copy is
    // starting or busy, at most the patience.
    bool tryBecomePrimary();
    bool isPrimary() const { return m_primary; }
    void setPatience(int ms) { m_patienceMs = ms; }

    // The two halves of becoming the running copy, for a start that takes
    // its time in between: take the lock (false when another copy holds it),
    // then listen (false when the socket cannot be made).
    bool claim();
    bool listen();

    // How many times this launch has tried to reach a running copy, and
    // whether it has handed over its request and waits for the answer.
    int attempts() const { return m_attempts.load(); }
    bool isWaitingForAnswer() const { return m_waiting.load(); }
    // Runs each time a folder has been opened and checked, before anything
    // in it is looked at or made (a test swaps the folder there).
    void setFolderChecked(std::function<void()> hook) { m_folderChecked = std::move(hook); }

signals:
    // A later launch asked for the window.
    void reopenRequested();

private:
    enum class Handover { answered, sent, unreachable, stranger };
    Handover handOver(int timeoutMs);
    void serve(qintptr fd);
    // Opens the folder into m_dir when it may serve.
    bool placeIn(std::size_t index);
    // Leaves the folder in use for the rest of this launch.
    void passOver();
    QString lockName() const { return m_name + QStringLiteral(".lock"); }

    QString m_name;
    std::vector<Folder> m_folders;
    std::vector<bool> m_passedOver;
    std::size_t m_folder = 0;  // the one in use, when below the count
    std::unique_ptr<privatefolder::Folder> m_dir;  // the one in use, open; it holds our lock
    bool m_saidAlone = false;
    LocalListener* m_listener = nullptr;
    std::function<void()> m_folderChecked;
    bool m_primary = false;
    int m_patienceMs = defaultPatienceMs;
    std::atomic<int> m_attempts{0};
    std::atomic<bool> m_waiting{false};
};

} // namespace tw
