#include "views/applications/AppListController.h"

#include "views/applications/AppListCard.h"
#include "views/applications/ApplicationsState.h"
#include "views/kit/LazyList.h"

#include <QVariantAnimation>

namespace tw {

AppListController::AppListController(ApplicationsState& state, LazyList& list, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_list(list)
{
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &AppListController::flushPending);

    m_list.setPadding(QMargins(10, 10, 10, 10));
    m_list.setSpacing(8);
    m_list.setRows({
        .kind = {},
        .height = [this](int row, int) { return AppListCard::heightFor(*m_rows[row], expansion(*m_rows[row])); },
        .make = [this](int) -> QWidget* {
            auto* card = new AppListCard;
            connect(card, &AppListCard::selected, &m_state, &ApplicationsState::selectApp);
            connect(card, &AppListCard::memberSelected, &m_state, &ApplicationsState::selectMember);
            return card;
        },
        .bind = [this](QWidget* w, int row) { bindCard(static_cast<AppListCard*>(w), row); },
    });

    connect(&m_state, &ApplicationsState::searchTextChanged, this, &AppListController::refresh);
    connect(&m_state, &ApplicationsState::sortChanged, this, &AppListController::refresh);
    connect(&m_state, &ApplicationsState::selectedAppChanged, &m_list, &LazyList::updateRows);
    connect(&m_state.scanner(), &AppScanner::appsChanged, this, [this] {
        watchRecords();
        refresh();
    });
    watchRecords();
    refresh();
}

qreal AppListController::expansion(const AppInfo& app) const
{
    // Without an animation a group shows as it was last seen (its flag may have just changed).
    return m_expansion.value(&app, m_openShown.value(&app, app.isExpanded()) ? 1.0 : 0.0);
}

void AppListController::refresh()
{
    m_pendingRefresh = false;
    m_rows = m_state.filteredApps();
    m_rowOf.clear();
    m_rowOf.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        m_rowOf.insert(m_rows[i].get(), i);
    m_list.reset(int(m_rows.size()));
}

void AppListController::bindCard(AppListCard* card, int row) const
{
    const AppInfoPtr& app = m_rows[row];
    const AppInfoPtr& selected = m_state.selectedApp();
    card->bind(app, selected && selected->id() == app->id(),
               selected ? std::optional<QUuid>(selected->id()) : std::nullopt);
}

AppListCard* AppListController::cardFor(const AppInfoPtr& app) const
{
    const int row = m_rowOf.value(app.get(), -1);
    return row < 0 ? nullptr : static_cast<AppListCard*>(m_list.widgetFor(row));
}

void AppListController::watchRecords()
{
    for (const QMetaObject::Connection& c : std::as_const(m_watches))
        disconnect(c);
    m_watches.clear();
    m_groups.clear();
    QHash<const AppInfo*, bool> open;
    QHash<const AppInfo*, qreal> expansion;
    auto watch = [&](const AppInfoPtr& app) {
        const AppInfo* key = app.get();
        m_watches << connect(app.get(), &AppInfo::changed, this, [this, key] { recordChanged(key); });
    };
    for (const AppInfoPtr& app : m_state.scanner().apps()) {
        if (!app)
            continue;
        watch(app);
        if (!app->isGroup())
            continue;
        for (const AppInfoPtr& member : app->members())
            watch(member);
        // A group keeps its animation across a new list; a new group starts where its flag stands.
        m_groups.insert(app.get(), app);
        open.insert(app.get(), app->isExpanded());
        if (m_expansion.contains(app.get()))
            expansion.insert(app.get(), m_expansion.value(app.get()));
    }
    m_openShown = std::move(open);
    m_expansion = std::move(expansion);
}

void AppListController::recordChanged(const AppInfo* app)
{
    const AppInfoPtr group = m_groups.value(app);
    if (group && group->isExpanded() != m_openShown.value(app))
        animate(group);
    // Sizes order the list by size; otherwise only the rows in view change.
    if (m_state.sort() == AppSort::size)
        m_pendingRefresh = true;
    m_pending.start();
}

void AppListController::flushPending()
{
    if (m_pendingRefresh)
        refresh();
    else
        m_list.updateRows();
}

void AppListController::animate(const AppInfoPtr& group)
{
    const AppInfo* key = group.get();
    const qreal from = expansion(*group);
    // A click during the animation turns it around from where it stands.
    if (QVariantAnimation* running = m_animations.take(key))
        running->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(group->isExpanded() ? 1.0 : 0.0);
    animation->setDuration(expansionMs);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    m_expansion.insert(key, from);
    m_openShown.insert(key, group->isExpanded());
    m_animations.insert(key, animation);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, key](const QVariant& v) {
        if (!m_groups.contains(key))
            return;  // the group left the list
        m_expansion.insert(key, v.toReal());
        if (const int row = m_rowOf.value(key, -1); row >= 0)
            m_list.updateRow(row);
    });
    connect(animation, &QAbstractAnimation::finished, this, [this, key, animation] {
        if (m_animations.value(key) == animation)
            m_animations.remove(key);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace tw
