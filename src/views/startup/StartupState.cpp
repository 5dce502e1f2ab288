#include "views/startup/StartupState.h"

#include "views/kit/Prompter.h"
#include "views/startup/StartupRules.h"

namespace tw {

namespace {

const QString kAlertTitle = QStringLiteral("Startup Programs");
const QString kRemove = QStringLiteral("Remove");

Prompt removalConfirmation()
{
    return {Prompt::Style::warning,
            QStringLiteral("Remove this startup program?"),
            QStringLiteral("The launch agent or login item will be moved to Trash / unregistered. "
                           "The main app stays installed."),
            {{kRemove, PromptButton::Role::destructive}, {QStringLiteral("Cancel"), PromptButton::Role::cancel}}};
}

} // namespace

StartupState::StartupState(SystemCleaner& cleaner, Prompter& prompter, Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_cleaner(cleaner)
    , m_prompter(prompter)
    , m_workspace(workspace)
    , m_wasScanning(cleaner.isScanningStartup())
{
    connect(&cleaner, &SystemCleaner::startupItemsChanged, this, &StartupState::rebuild);
    connect(&cleaner, &SystemCleaner::scanningChanged, this, [this] {
        if (std::exchange(m_wasScanning, isScanning()) != isScanning())
            emit scanningChanged();
    });
    rebuild();
}

void StartupState::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    rebuild();
}

void StartupState::select(const QString& path)
{
    if (m_selectedPath == path)
        return;
    m_selectedPath = path;
    m_selectedIndex = startupview::selectedIndex(allItems(), m_shown, m_selectedPath);
    emit selectionChanged();
}

const RemovableItem* StartupState::selected() const
{
    return m_selectedIndex < 0 ? nullptr : &allItems()[m_selectedIndex];
}

void StartupState::rebuild()
{
    m_shown = startupview::filterIndices(allItems(), m_searchText);
    m_selectedIndex = startupview::selectedIndex(allItems(), m_shown, m_selectedPath);
    // The rows first: views of the selection read them.
    emit listChanged();
    emit selectionChanged();
}

void StartupState::appear()
{
    if (allItems().isEmpty())
        m_cleaner.scanStartupItems();
}

void StartupState::refresh()
{
    m_cleaner.scanStartupItems();
}

void StartupState::report(const Status& status)
{
    if (status.ok())
        return;
    const QString* message = &status.error().description;
    Prompt alert{Prompt::Style::warning, kAlertTitle, *message, {{QStringLiteral("OK"), PromptButton::Role::cancel}}};
    m_prompter.ask(alert);
}

void StartupState::setItemEnabled(const QString& path, bool enabled)
{
    // On success the engine's list changes and every view follows it; on
    // failure nothing changed, so the switch shows the old state.
    report(m_cleaner.setStartupItemEnabled(path, enabled));
}

void StartupState::toggleSelected()
{
    if (const RemovableItem* item = selected())
        setItemEnabled(item->path, !item->isEnabled);
}

void StartupState::confirmAndRemoveSelected()
{
    if (!selected() || !m_prompter.confirm(removalConfirmation(), kRemove))
        return;
    // The list may have changed while the confirmation was open: the entry
    // selected now is the one to remove.
    const RemovableItem* item = selected();
    if (!item)
        return;
    const QString path = item->path;
    const Status failure = m_cleaner.removeStartupItem(path);
    if (failure.ok()) {
        m_selectedPath.reset();
        m_selectedIndex = -1;
        emit selectionChanged();
        return;
    }
    report(failure);
}

void StartupState::showApplication()
{
    if (const RemovableItem* item = selected())
        m_workspace.reveal(startupview::displayPath(*item));
}

} // namespace tw
