#pragma once

// What the Extensions tab's tests share: entries built by hand and readers.

#include "engine/cleaner/SystemCleaner.h"
#include "support/Collect.h"
#include "views/extensions/ExtensionRules.h"

#include <QSet>

#include <algorithm>

namespace tw::test {

inline RemovableItem ext(const QString& title, const QString& category, std::int64_t size = 0,
                         const QString& subtitle = {}, const QString& path = {})
{
    RemovableItem item;
    item.title = title;
    item.subtitle = subtitle;
    item.category = category;
    item.size = size;
    item.path = path.isEmpty() ? QStringLiteral("/x/") + category + QLatin1Char('/') + title : path;
    return item;
}

inline QStringList titles(const QList<RemovableItem>& items) { return collect(items, &RemovableItem::title); }

inline QStringList groupNames(const QList<extensionsview::ExtensionGroup>& groups)
{
    return collect(groups, &extensionsview::ExtensionGroup::name);
}

// "Group: a, b | Other: c"
inline QString groupText(const QList<extensionsview::ExtensionGroup>& groups)
{
    QStringList parts;
    for (const auto& g : groups)
        parts << g.name + QStringLiteral(": ") + titles(g.items).join(QStringLiteral(", "));
    return parts.join(QStringLiteral(" | "));
}

// The titles of the entries whose paths are in the set, sorted.
inline QStringList selectedTitles(const QList<RemovableItem>& all, const QSet<QString>& paths)
{
    QStringList out;
    for (const RemovableItem& item : all)
        if (paths.contains(item.path))
            out << item.title;
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace tw::test

using namespace tw;
using tw::test::ext;
using tw::test::groupNames;
using tw::test::groupText;
using tw::test::selectedTitles;
using tw::test::titles;
