#pragma once

#include "engine/inventory/AppScanner.h"

#include <QObject>

namespace tw {

class ApplicationsState;
class Prompter;

// What the Uninstall button does: picks the application, asks for the
// confirmation, has the scanner uninstall it (the moves run off the GUI
// thread) and, once the report is back, tells what stopped it and lets go
// of an application that left. It runs from the press until then: a press
// meanwhile (inside the alert, or during the moves) does nothing.
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
    void finish(const RemovalReport& report, BundleRemoval bundle, const std::weak_ptr<AppInfo>& selected);
    void setRunning(bool running);

    ApplicationsState& m_state;
    Prompter& m_prompter;
    bool m_running = false;
};

} // namespace tw
