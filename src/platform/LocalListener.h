#pragma once

#include "platform/FolderHandle.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tw {

// Listens on a local socket and hands on each connection whose peer runs as
// this user (SO_PEERCRED); any other is closed unheard. A connection that
// cannot be taken (no descriptor free) does not end it: the connection waits
// in the queue, the listener looks again a little later, and says so once.
class LocalListener : public QObject {
    Q_OBJECT
public:
    explicit LocalListener(QObject* parent = nullptr);
    // Stops listening; the socket file is left to whoever named its path.
    ~LocalListener() override;

    // Binds a socket at path, where nothing may be, and listens. False, with
    // errno set, when it cannot (a socket file may be left). shownAs names
    // the socket in what it says.
    bool listen(const QByteArray& path, const QString& shownAs);

    // How long it leaves the queue alone after a connection could not be taken.
    static constexpr int retryMs = 200;

signals:
    // A connected socket, nonblocking; the receiver closes it.
    void accepted(qintptr fd);

private:
    void acceptAll();
    void resume();

    UniqueFd m_fd;
    QString m_shownAs;
    QSocketNotifier* m_notifier = nullptr;
    bool m_short = false;  // said that a connection could not be taken
};

} // namespace tw
