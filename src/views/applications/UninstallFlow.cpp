#include "views/applications/UninstallFlow.h"

#include "views/applications/ApplicationsState.h"
#include "views/applications/UninstallRules.h"
#include "views/kit/Prompter.h"

namespace tw {

UninstallFlow::UninstallFlow(ApplicationsState& state, Prompter& prompter, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_prompter(prompter)
{
}

void UninstallFlow::setRunning(bool running)
{
    if (std::exchange(m_running, running) != running)
        emit runningChanged(running);
}

void UninstallFlow::confirmAndUninstall(const AppInfoPtr& app)
{
    if (m_running || !app)
        return;
    setRunning(true);
    const AppInfoPtr target = apps::uninstallTarget(app, m_state.selectedApp());
    // Nothing ticked means everything: the ticks stay when the user cancels.
    if (!target->hasUninstallSelection())
        target->applyRootSelection(true);
    const apps::UninstallConfirmation texts = apps::uninstallConfirmation(*target);
    const Prompt prompt{Prompt::Style::warning, texts.message, texts.informative,
                        {{QStringLiteral("Uninstall"), PromptButton::Role::defaultAction},
                         {QStringLiteral("Cancel"), PromptButton::Role::cancel}}};
    if (m_prompter.ask(prompt) == 0)
        performUninstall(target);
    else
        setRunning(false);
}

void UninstallFlow::performUninstall(const AppInfoPtr& target)
{
    // The engine moves and brings its lists up to date; the tab then shows
    // what stopped it, if anything, and lets go of an application that left
    // (unless the user has chosen another meanwhile).
    const BundleRemoval bundle = target->removeAppBundle() ? BundleRemoval::MoveToTrash : BundleRemoval::Keep;
    auto told = [this, bundle, selected = std::weak_ptr<AppInfo>(m_state.selectedApp())](const RemovalReport& report) {
        finish(report, bundle, selected);
    };
    m_state.scanner().uninstall(target, target->selectedLeftovers(), bundle, {this, std::move(told)});
}

void UninstallFlow::finish(const RemovalReport& report, BundleRemoval bundle, const std::weak_ptr<AppInfo>& selected)
{
    if (!report.status.ok())
        m_prompter.inform(Prompt::Style::warning, report.status.error().description, {});
    else if (bundle == BundleRemoval::MoveToTrash && m_state.selectedApp() && m_state.selectedApp() == selected.lock())
        m_state.setSelectedApp(nullptr);
    setRunning(false);
}

} // namespace tw
