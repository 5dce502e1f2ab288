#include "views/startup/StartupState.h"

#include "views/kit/Prompter.h"
#include "views/kit/TextLines.h"
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
    connect(&cleaner, &SystemCleaner::removingChanged, this, &StartupState::busyChanged);
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
    Prompt alert{Prompt::Style::warning, kAlertTitle, text::singleLine(status.error().description),
                 {{QStringLiteral("OK"), PromptButton::Role::cancel}}};
    m_prompter.ask(alert);
}

void StartupState::setAction(Action action, const QString& path)
{
    m_actionPath = path;
    if (std::exchange(m_action, action) != action)
        emit busyChanged();
}

void StartupState::setItemEnabled(const QString& path, bool enabled)
{
    if (isBusy())
        return;
    // On success the engine's list changes and every view follows it; on
    // failure nothing changed, so the switch shows the old state.
    setAction(Action::toggle, path);
    m_cleaner.setStartupItemEnabled(path, enabled, {this, [this](const Status& outcome) { finish(outcome); }});
}

void StartupState::finish(const Status& outcome)
{
    // The selection lets go of an entry that was removed, unless the user
    // has picked another meanwhile.
    if (m_action == Action::remove && outcome.ok() && m_selectedPath == m_actionPath) {
        m_selectedPath.reset();
        m_selectedIndex = -1;
        emit selectionChanged();
    }
    setAction(Action::none);
    report(outcome);
}

void StartupState::toggleSelected()
{
    if (const RemovableItem* item = selected())
        setItemEnabled(item->path, !item->isEnabled);
}

void StartupState::confirmAndRemoveSelected()
{
    if (isBusy() || !selected())
        return;
    setAction(Action::confirming);
    // The list may have changed while the confirmation was open: the entry
    // selected now is the one to remove.
    const RemovableItem* item = m_prompter.confirm(removalConfirmation(), kRemove) ? selected() : nullptr;
    if (!item) {
        setAction(Action::none);
        return;
    }
    setAction(Action::remove, item->path);
    m_cleaner.removeStartupItem(item->path, {this, [this](const Status& outcome) { finish(outcome); }});
}

void StartupState::showApplication()
{
    if (const RemovableItem* item = selected())
        m_workspace.reveal(startupview::displayPath(*item));
}

} // namespace tw
