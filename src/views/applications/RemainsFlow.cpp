#include "views/applications/RemainsFlow.h"

#include "state/AppNavigation.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/KnownApplications.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/RemainsRules.h"
#include "views/kit/Prompter.h"

namespace tw {

RemainsFlow::RemainsFlow(ApplicationsState& state, AppNavigation& navigation, Prompter& prompter, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_navigation(navigation)
    , m_prompter(prompter)
{
    // The list is published before the scan flag drops; both may end the wait.
    connect(&state.scanner(), &AppScanner::scanningChanged, this, &RemainsFlow::applicationsMayBeReady);
    connect(&state.scanner(), &AppScanner::appsChanged, this, &RemainsFlow::applicationsMayBeReady);
}

void RemainsFlow::triggerRemainsScan(Rescan rescan)
{
    SystemCleaner& cleaner = m_state.cleaner();
    if (rescan == Rescan::IfIdle && (!cleaner.remainingFiles().isEmpty() || cleaner.isScanningRemaining()))
        return;
    const AppScanner& scanner = m_state.scanner();
    if (scanner.isScanning() || scanner.apps().isEmpty()) {
        // A forced request outweighs one that was not.
        if (!m_waiting || rescan == Rescan::Force)
            m_waiting = rescan;
        emit waitingChanged();
        return;
    }
    const KnownApplications known = knownApplications(scanner.apps());
    cleaner.scanRemainingFiles(known.bundleIds, known.names, rescan);
}

void RemainsFlow::applicationsMayBeReady()
{
    const AppScanner& scanner = m_state.scanner();
    if (!m_waiting || scanner.isScanning() || scanner.apps().isEmpty())
        return;
    const Rescan rescan = *std::exchange(m_waiting, std::nullopt);
    // Left for the applications meanwhile: entering the segment again asks anew.
    if (m_navigation.appsSegment() == AppsSegment::remains)
        triggerRemainsScan(rescan);
    emit waitingChanged();
}

void RemainsFlow::setRunning(bool running)
{
    if (std::exchange(m_running, running) != running)
        emit runningChanged(running);
}

void RemainsFlow::confirmAndRemove()
{
    if (m_running || !m_state.canAct(AppsSegment::remains))
        return;
    setRunning(true);
    if (m_prompter.confirm(apps::remainsConfirmation(), apps::kMoveToTrash))
        removeSelected();
    else
        setRunning(false);
}

void RemainsFlow::removeSelected()
{
    // The engine keeps what did not move (still ticked) and drops the rest.
    SystemCleaner& cleaner = m_state.cleaner();
    std::optional<QString> shown;
    if (m_state.selectedRemain())
        shown = m_state.selectedRemain()->path;
    cleaner.trashSelected(apps::selectedRemains(cleaner.remainingFiles()),
                          {this, [this, shown](const RemovalReport& report) { finish(report, shown); }});
}

void RemainsFlow::finish(const RemovalReport& report, const std::optional<QString>& shown)
{
    // The detail lets go of its entry, unless the user has picked another
    // meanwhile (by path: a rescan meanwhile lists it anew); the entries with
    // a file that stayed are named with the reason.
    const std::optional<RemovableItem>& selected = m_state.selectedRemain();
    if (selected && shown && selected->path == *shown)
        m_state.setSelectedRemain(std::nullopt);
    if (!report.failures.isEmpty())
        m_prompter.ask(apps::remainsFailureAlert(report));
    setRunning(false);
}

} // namespace tw
