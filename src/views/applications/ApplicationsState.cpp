#include "views/applications/ApplicationsState.h"

#include "platform/Services.h"
#include "views/applications/ApplicationLists.h"

#include <algorithm>

namespace tw {

ApplicationsState::ApplicationsState(AppScanner& scanner, SystemCleaner& cleaner, Settings& settings, QObject* parent)
    : QObject(parent)
    , m_scanner(scanner)
    , m_cleaner(cleaner)
    , m_settings(settings)
    , m_advanceMode(settings.boolValue(advanceModeKey))
{
}

void ApplicationsState::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    emit searchTextChanged();
}

void ApplicationsState::toggleSearchField()
{
    m_showSearchField = !m_showSearchField;
    emit showSearchFieldChanged(m_showSearchField);
}

void ApplicationsState::setSort(AppSort sort)
{
    if (std::exchange(m_sort, sort) != sort)
        emit sortChanged();
}

void ApplicationsState::setAdvanceMode(bool on)
{
    if (on == m_advanceMode)
        return;
    m_advanceMode = on;
    m_settings.setValue(advanceModeKey, on);
    emit advanceModeChanged(on);
}

void ApplicationsState::setDropTargeted(bool on)
{
    if (std::exchange(m_isDropTargeted, on) != on)
        emit dropTargetedChanged(on);
}

void ApplicationsState::setSelectedApp(AppInfoPtr app)
{
    if (app == m_selectedApp)
        return;
    m_selectedApp = std::move(app);
    emit selectedAppChanged();
}

void ApplicationsState::setSelectedRemain(std::optional<RemovableItem> item)
{
    m_selectedRemain = std::move(item);
    emit selectedRemainChanged();
}

QList<AppInfoPtr> ApplicationsState::filteredApps() const
{
    return apps::filterApps(m_scanner.apps(), m_searchText, m_sort);
}

QList<RemovableItem> ApplicationsState::filteredRemains() const
{
    return apps::filterRemains(m_cleaner.remainingFiles(), m_searchText, m_sort);
}

QList<int> ApplicationsState::filteredRemainIndices() const
{
    return apps::filterRemainIndices(m_cleaner.remainingFiles(), m_searchText, m_sort);
}

void ApplicationsState::scanWhenEmpty(const AppInfoPtr& app)
{
    // Whether a scan of it already runs is not asked: the list being empty is the rule.
    if (app && app->leftovers().isEmpty())
        m_scanner.scanLeftovers(app);
}

void ApplicationsState::selectApp(const AppInfoPtr& app)
{
    if (!app)
        return;
    setSelectedApp(app);
    if (!app->isGroup()) {
        scanWhenEmpty(app);
        return;
    }
    // The card animates the change; the state changes at once.
    app->setExpanded(!app->isExpanded());
    if (app->isExpanded())
        scanWhenEmpty(app->members().front());
}

void ApplicationsState::selectMember(const AppInfoPtr& member, const AppInfoPtr& group)
{
    if (!member)
        return;
    if (group)
        group->setExpanded(true);
    setSelectedApp(member);
    scanWhenEmpty(member);
}

namespace {

qsizetype indexOf(const QList<RemovableItem>& remains, const QUuid& id)
{
    const auto it = std::find_if(remains.begin(), remains.end(), [&](const RemovableItem& r) { return r.id == id; });
    return it == remains.end() ? -1 : it - remains.begin();
}

} // namespace

void ApplicationsState::selectRemain(const QUuid& id)
{
    const QList<RemovableItem>& remains = m_cleaner.remainingFiles();
    if (const qsizetype i = indexOf(remains, id); i >= 0)
        setSelectedRemain(remains[i]);
}

bool ApplicationsState::isRemainTicked(const QUuid& id) const
{
    const QList<RemovableItem>& remains = m_cleaner.remainingFiles();
    const qsizetype i = indexOf(remains, id);
    return i >= 0 && remains[i].isSelected;
}

void ApplicationsState::setRemainTicked(QUuid id, bool on)
{
    m_cleaner.setRemainSelected(id, on);
}

AppInfoPtr ApplicationsState::detailSubject() const
{
    return apps::detailSubject(m_selectedApp);
}

bool ApplicationsState::canAct(AppsSegment segment) const
{
    if (segment == AppsSegment::apps)
        return m_selectedApp != nullptr;
    const QList<RemovableItem>& remains = m_cleaner.remainingFiles();
    return std::any_of(remains.begin(), remains.end(), [](const RemovableItem& r) { return r.isSelected; });
}

} // namespace tw
