#pragma once

#include "engine/cleaner/SystemCleaner.h"

#include <QObject>

namespace tw {

class AppNavigation;
class ApplicationsState;
class Prompter;

// The remains segment's work with the cleaner: when to ask for a remains
// scan and with what, and what the Remove button does (the confirmation,
// the engine's Trash run, one alert for what did not move). The removal runs
// from the press until the engine's report is back; a press meanwhile does
// nothing.
//
// A scan is asked for only with the installed applications known: while the
// application scan runs, or before it has found anything, the finder would be
// told of no application and offer the installed ones' own files as remains.
// Such a request waits (the segment shows its progress) and runs once the
// applications are published, if the remains segment is still shown.
class RemainsFlow : public QObject {
    Q_OBJECT
public:
    RemainsFlow(ApplicationsState& state, AppNavigation& navigation, Prompter& prompter, QObject* parent = nullptr);

    // Without force, only when no remains are known and none are being
    // looked for; with force, always (a further scan starts even while one runs).
    void triggerRemainsScan(Rescan rescan);
    // A request waits for the application list.
    bool isWaitingForApplications() const { return m_waiting.has_value(); }

    // The Remove button: asks, then moves every ticked entry's files to the Trash.
    void confirmAndRemove();
    bool isRunning() const { return m_running; }

signals:
    void waitingChanged();
    void runningChanged(bool running);

private:
    void applicationsMayBeReady();
    void removeSelected();
    void finish(const RemovalReport& report, const std::optional<QString>& shown);
    void setRunning(bool running);

    ApplicationsState& m_state;
    AppNavigation& m_navigation;
    Prompter& m_prompter;
    std::optional<Rescan> m_waiting;
    bool m_running = false;
};

} // namespace tw
