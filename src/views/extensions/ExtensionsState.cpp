#include "views/extensions/ExtensionsState.h"


namespace tw {

using namespace extensionsview;

namespace {

QSet<QString> pathsOf(const QList<RemovableItem>& items)
{
    QSet<QString> paths;
    paths.reserve(items.size());
    for (const RemovableItem& item : items)
        paths.insert(item.path);
    return paths;
}

} // namespace

ExtensionsState::ExtensionsState(SystemCleaner& cleaner, QObject* parent)
    : QObject(parent)
    , m_cleaner(cleaner)
    , m_lastCount(cleaner.extensions().size())
{
    connect(&m_cleaner, &SystemCleaner::extensionsChanged, this, &ExtensionsState::engineListChanged);
    connect(&m_cleaner, &SystemCleaner::removingChanged, this, &ExtensionsState::removingChanged);
    for (ExtensionCategoryKind kind : allExtensionCategories())
        m_summaries[size_t(kind)] = summarize(m_cleaner.extensions(), kind);
    rebuildVisible();
}

void ExtensionsState::engineListChanged()
{
    for (ExtensionCategoryKind kind : allExtensionCategories())
        m_summaries[size_t(kind)] = summarize(m_cleaner.extensions(), kind);
    emit summariesChanged();
    rebuildVisible();
    const qsizetype count = m_cleaner.extensions().size();
    if (count != m_lastCount) {
        m_lastCount = count;
        selectAllVisible();
    }
}

void ExtensionsState::rebuildVisible()
{
    m_visible = visibleEntries(m_cleaner.extensions(), m_category, SearchText(m_searchText));
    m_groups = groupEntries(m_visible, m_sortByKind);
    emit entriesChanged();
}

void ExtensionsState::rebuildGroups()
{
    m_groups = groupEntries(m_visible, m_sortByKind);
    emit entriesChanged();
}

void ExtensionsState::setSelectedCategory(ExtensionCategoryKind kind)
{
    if (kind == m_category)
        return;
    m_category = kind;
    rebuildVisible();
    emit categoryChanged();
    selectAllVisible();
}

void ExtensionsState::chooseCategory(ExtensionCategoryKind kind)
{
    setSelectedCategory(kind);
    if (m_collapsed.isEmpty())
        return;
    m_collapsed.clear();
    emit collapsedChanged();
}

void ExtensionsState::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    rebuildVisible();
}

void ExtensionsState::setSortByKind(bool byKind)
{
    if (byKind == m_sortByKind)
        return;
    m_sortByKind = byKind;
    rebuildGroups();
    emit sortChanged();
}

void ExtensionsState::toggleCollapsed(const QString& group)
{
    if (!m_collapsed.remove(group))
        m_collapsed.insert(group);
    emit collapsedChanged();
}

void ExtensionsState::setSelection(QSet<QString> paths)
{
    if (paths == m_selected)
        return;
    m_selected = std::move(paths);
    emit selectionChanged();
}

void ExtensionsState::toggleSelected(const QString& path)
{
    QSet<QString> paths = m_selected;
    if (!paths.remove(path))
        paths.insert(path);
    setSelection(std::move(paths));
}

bool ExtensionsState::isGroupSelected(const ExtensionGroup& group) const
{
    if (group.items.isEmpty())
        return false;
    return std::all_of(group.items.begin(), group.items.end(),
                       [this](const RemovableItem& item) { return m_selected.contains(item.path); });
}

void ExtensionsState::setGroupSelected(const ExtensionGroup& group, bool selected)
{
    const QSet<QString> paths = pathsOf(group.items);
    setSelection(selected ? m_selected + paths : m_selected - paths);
}

int ExtensionsState::selectedCount() const
{
    return int(std::count_if(m_visible.begin(), m_visible.end(),
                             [this](const RemovableItem& item) { return m_selected.contains(item.path); }));
}

bool ExtensionsState::allSelected() const
{
    return !m_visible.isEmpty() && selectedCount() == m_visible.size();
}

void ExtensionsState::setAllSelected(bool selected)
{
    const QSet<QString> visible = pathsOf(m_visible);
    setSelection(selected ? m_selected + visible : m_selected - visible);
}

void ExtensionsState::selectAllVisible()
{
    setSelection(pathsOf(m_visible));
}

void ExtensionsState::appear()
{
    if (m_cleaner.extensions().isEmpty())
        m_cleaner.scanExtensions();
    else
        selectAllVisible();
}

void ExtensionsState::removeSelected()
{
    if (isRemoving())
        return;
    QList<RemovableItem> targets;
    for (const RemovableItem& item : m_visible)
        if (m_selected.contains(item.path))
            targets.append(item);
    if (targets.isEmpty())
        return;

    // The engine drops the entries that moved from its list when the run
    // ends, also when the tab is gone by then; one with a file still on disk stays.
    m_cleaner.trashExtensions(targets, {this, [this](const RemovalReport& report) { finishRemoval(report); }});
}

void ExtensionsState::finishRemoval(const RemovalReport& report)
{
    // What left the list leaves the selection; what stayed stays ticked, for another try.
    QSet<QString> left(report.attemptedEntries.begin(), report.attemptedEntries.end());
    for (const RemovableItem& item : m_cleaner.extensions())
        left.remove(item.path);
    setSelection(m_selected - left);
    if (!report.failures.isEmpty()) {
        m_removeError = failureText(removal::failureLines(report.failures));
        emit removeErrorChanged();
    }
    emit removalFinished();
}

void ExtensionsState::dismissRemoveError()
{
    if (!m_removeError)
        return;
    m_removeError.reset();
    emit removeErrorChanged();
}

} // namespace tw
