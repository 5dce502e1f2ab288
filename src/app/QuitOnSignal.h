#pragma once

#include <QObject>

class QSocketNotifier;

namespace tw {

// Ends the program on SIGTERM (log-out, a service manager), SIGINT and
// SIGHUP as Quit ends it: QCoreApplication::quit() on the GUI thread, so the
// event loop returns and main's objects end in order, the single-instance
// lock and socket with them. The handler ends the waits for a descriptor
// (descriptors::endWaits) and writes the signal's number to a pipe; the GUI
// thread reads it. One at a time; the signals' previous
// handling comes back when it ends.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

    // Whether the handler is in place (false when the pipe could not be made).
    bool isActive() const { return m_notifier != nullptr; }

private:
    void readSignals();

    int m_read = -1;
    int m_write = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tw
