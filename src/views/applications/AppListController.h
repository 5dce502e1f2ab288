#pragma once

#include "engine/inventory/Models.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QVariantAnimation;

namespace tw {

class AppListCard;
class ApplicationsState;
class LazyList;

// Feeds the applications list: the state's filtered rows, one card each,
// groups opening and closing in an animation that never holds the state
// back, and the rows in view shown again when a record changes.
class AppListController : public QObject {
    Q_OBJECT
public:
    AppListController(ApplicationsState& state, LazyList& list, QObject* parent = nullptr);

    static constexpr int expansionMs = 180;

    // Filters, orders and shows the list again, at once.
    void refresh();
    const QList<AppInfoPtr>& rows() const { return m_rows; }
    // How far a group's member rows are shown (0 folded, 1 open).
    qreal expansion(const AppInfo& app) const;
    // The card showing app, or null when its row is not in view.
    AppListCard* cardFor(const AppInfoPtr& app) const;

private:
    void watchRecords();
    void recordChanged(const AppInfo* app);
    void animate(const AppInfoPtr& group);
    void bindCard(AppListCard* card, int row) const;
    void flushPending();

    ApplicationsState& m_state;
    LazyList& m_list;
    QList<AppInfoPtr> m_rows;
    QHash<const AppInfo*, int> m_rowOf;
    // Top-level records and group members being watched (never dereferenced
    // once they left the scanner's list).
    QList<QMetaObject::Connection> m_watches;
    QHash<const AppInfo*, AppInfoPtr> m_groups;
    QHash<const AppInfo*, bool> m_openShown;
    QHash<const AppInfo*, qreal> m_expansion;
    QHash<const AppInfo*, QPointer<QVariantAnimation>> m_animations;
    QTimer m_pending;
    bool m_pendingRefresh = false;
};

} // namespace tw
