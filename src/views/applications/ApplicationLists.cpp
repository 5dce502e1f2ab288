#include "views/applications/ApplicationLists.h"

#include "platform/Path.h"
#include "views/kit/DateText.h"
#include "views/kit/SearchText.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace tw::apps {

namespace {

// Sorts positions stably by a key computed once per element.
template <typename Key, typename Less>
void stableSortByKey(QList<int>& rows, const std::vector<Key>& keys, Less less)
{
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return less(keys[size_t(a)], keys[size_t(b)]); });
}

// The positions of list ordered by name: collation keys are made once per
// element, so a sort costs one key per row instead of one collation per
// comparison. Keys are taken of the case-folded name: the C locale's keys
// would otherwise tell letter cases apart.
template <typename Item, typename Name>
void sortByName(QList<int>& rows, const QList<Item>& list, Name name)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(list.size()));
    for (const Item& item : list)
        keys.push_back(collator.sortKey(name(item).toCaseFolded()));
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
}

bool appMatches(const AppInfo& app, const QString& search)
{
    if (searchMatches(app.name(), search) || searchMatches(app.bundleIdentifier(), search))
        return true;
    return std::any_of(app.members().begin(), app.members().end(), [&](const AppInfoPtr& m) {
        return searchMatches(m->name(), search) || searchMatches(m->bundleIdentifier(), search);
    });
}

qint64 lastUsedKey(const AppInfo& app)
{
    const std::optional<QDateTime>& d = app.lastUsed();
    return d && d->isValid() ? d->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

QList<AppInfoPtr> filterApps(const QList<AppInfoPtr>& apps, const QString& search, AppSort sort)
{
    QList<AppInfoPtr> kept;
    kept.reserve(apps.size());
    for (const AppInfoPtr& app : apps)
        if (app && (search.isEmpty() || appMatches(*app, search)))
            kept.append(app);

    QList<int> rows(kept.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::vector<qint64> keys;
    switch (sort) {
    case AppSort::name:
        sortByName(rows, kept, [](const AppInfoPtr& a) { return a->name(); });
        break;
    case AppSort::size:
    case AppSort::date:
        keys.reserve(size_t(kept.size()));
        for (const AppInfoPtr& app : kept)
            keys.push_back(sort == AppSort::size ? app->displaySize() : lastUsedKey(*app));
        stableSortByKey(rows, keys, std::greater<>());
        break;
    }
    QList<AppInfoPtr> out;
    out.reserve(kept.size());
    for (int i : rows)
        out.append(kept[i]);
    return out;
}

QList<int> filterRemainIndices(const QList<RemovableItem>& remains, const QString& search, AppSort sort)
{
    QList<int> rows;
    for (int i = 0; i < remains.size(); ++i)
        if (searchMatches(remains[i].title, search))
            rows.append(i);
    if (sort == AppSort::name) {
        sortByName(rows, remains, [](const RemovableItem& r) { return r.title; });
    } else {
        // Remains have no date order: both order by size.
        std::vector<std::int64_t> sizes;
        sizes.reserve(size_t(remains.size()));
        for (const RemovableItem& r : remains)
            sizes.push_back(r.size);
        stableSortByKey(rows, sizes, std::greater<>());
    }
    return rows;
}

QList<RemovableItem> filterRemains(const QList<RemovableItem>& remains, const QString& search, AppSort sort)
{
    QList<RemovableItem> out;
    for (int i : filterRemainIndices(remains, search, sort))
        out.append(remains[i]);
    return out;
}

AppInfoPtr detailSubject(const AppInfoPtr& selected)
{
    if (!selected || !selected->isGroup())
        return selected;
    const auto& members = selected->members();
    const auto ticked = std::find_if(members.begin(), members.end(), [](const AppInfoPtr& m) { return m->isSelected(); });
    return ticked != members.end() ? *ticked : members.front();
}

QString abbreviatedDate(const QDateTime& when)
{
    return datetext::abbreviated(when.toLocalTime().date());
}

QString lastUsedLabel(const std::optional<QDateTime>& lastUsed)
{
    if (!lastUsed || !lastUsed->isValid() || lastUsed->toMSecsSinceEpoch() <= kLastUsedThreshold * 1000)
        return QStringLiteral("—");
    return abbreviatedDate(*lastUsed);
}

QString modifiedLabel(const std::optional<QDateTime>& modified)
{
    return modified && modified->isValid() ? abbreviatedDate(*modified) : QStringLiteral("—");
}

QString folderText(const QString& itemPath)
{
    QString folder = path::parent(itemPath);
    if (folder.startsWith(QLatin1String("/Users/")))
        folder.remove(0, 7);
    return folder;
}

} // namespace tw::apps
