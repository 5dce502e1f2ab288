#pragma once

#include "engine/inventory/Models.h"

#include <QObject>

namespace tw {

class ApplicationsState;
class Prompter;

// What the Uninstall button does: picks the application, asks for the
// confirmation, runs the uninstall on the GUI thread and brings the lists
// and the selection up to date. A press while it runs (inside the alert, or
// queued during the uninstall) does nothing: input that queued up while the
// window waited is dropped before the flow ends.
class UninstallFlow : public QObject {
    Q_OBJECT
public:
    UninstallFlow(ApplicationsState& state, Prompter& prompter, QObject* parent = nullptr);

    bool isRunning() const { return m_running; }
    // The press with the selected record (or a group of it).
    void confirmAndUninstall(const AppInfoPtr& app);

signals:
    void runningChanged(bool running);

private:
    void performUninstall(const AppInfoPtr& target);
    void setRunning(bool running);

    ApplicationsState& m_state;
    Prompter& m_prompter;
    bool m_running = false;
};

} // namespace tw
