#include "menubar/QuickApplicationsPane.h"
#include "menubar/QuickNetworkPane.h"
#include "menubar/QuickPanes.h"
#include "menubar/QuickStartupPane.h"
#include "menubar/SystemMonitorCompact.h"
#include "menubar/UpdatesNotificationPanel.h"

#include <QVBoxLayout>

namespace tw {

namespace {

// The updates pane keeps its own size, centred in the panel.
QWidget* centred(QWidget* pane)
{
    auto* frame = new QWidget;
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(pane, 0, Qt::AlignCenter);
    return frame;
}

} // namespace

void registerQuickPanes()
{
    const auto set = &QuickPanes::set;
    using Env = QuickPaneEnvironment;
    set(SidebarTab::applications, [](const Env& e) { return new QuickApplicationsPane(e.scanner, e.prompter); });
    set(SidebarTab::startup, [](const Env& e) { return new QuickStartupPane(e.cleaner, e.prompter); });
    set(SidebarTab::network, [](const Env& e) { return new QuickNetworkPane(e.scanner); });
    set(SidebarTab::system, [](const Env& e) { return new SystemMonitorCompact(e.monitor); });
    set(SidebarTab::updates, [](const Env& e) { return centred(new UpdatesNotificationPanel(e.updateChecker, e.onOpenInApp)); });
}

} // namespace tw
