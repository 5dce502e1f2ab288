#include "views/extensions/ExtensionRules.h"

#include "engine/inventory/RemovalReport.h"
#include "platform/Collation.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace tw::extensionsview {

namespace {

constexpr int kUnlistedRank = 500;
constexpr int kShownFailures = 3;

constexpr std::array kBrowserGroups = {
    "Safari Extensions", "Google Chrome Extensions", "Microsoft Edge Extensions", "Brave Extensions",
    "Arc Extensions",    "Firefox Extensions",       "Vivaldi Extensions",        "Opera Extensions",
};

} // namespace

bool isOfKind(const RemovableItem& item, ExtensionCategoryKind kind)
{
    if (kind == ExtensionCategoryKind::browserExtensions)
        return item.category.toLower().contains(QLatin1String("extension"));
    return item.category == displayName(kind);
}

SearchText::SearchText(const QString& typed)
    : m_text(typed.normalized(QString::NormalizationForm_C))
{
}

bool SearchText::matches(const RemovableItem& item) const
{
    // File names often arrive decomposed; compare composed forms.
    auto contains = [this](const QString& field) {
        return field.normalized(QString::NormalizationForm_C).contains(m_text, Qt::CaseInsensitive);
    };
    return contains(item.title) || contains(item.subtitle);
}

QList<RemovableItem> visibleEntries(const QList<RemovableItem>& all, ExtensionCategoryKind kind,
                                    const SearchText& search)
{
    QList<RemovableItem> out;
    out.reserve(all.size());
    for (const RemovableItem& item : all)
        if (isOfKind(item, kind) && (search.isEmpty() || search.matches(item)))
            out.append(item);
    return out;
}

int groupRank(const QString& name)
{
    for (size_t i = 0; i < kBrowserGroups.size(); ++i)
        if (name == QLatin1String(kBrowserGroups[i]))
            return int(i);
    return kUnlistedRank;
}

QList<ExtensionGroup> groupEntries(const QList<RemovableItem>& visible, bool byTitle)
{
    QList<ExtensionGroup> groups;
    QHash<QString, qsizetype> index;
    for (const RemovableItem& item : visible) {
        auto it = index.constFind(item.category);
        if (it == index.cend()) {
            it = index.insert(item.category, groups.size());
            groups.append({item.category, {}});
        }
        groups[*it].items.append(item);
    }

    const NameOrder order;
    std::stable_sort(groups.begin(), groups.end(), [&](const ExtensionGroup& a, const ExtensionGroup& b) {
        const int ra = groupRank(a.name), rb = groupRank(b.name);
        return ra != rb ? ra < rb : order.less(a.name, b.name);
    });
    for (ExtensionGroup& group : groups) {
        if (byTitle)
            order.stableSort(group.items, [](const RemovableItem& item) -> const QString& { return item.title; });
        else
            std::stable_sort(group.items.begin(), group.items.end(),
                             [](const RemovableItem& a, const RemovableItem& b) { return a.size > b.size; });
    }
    return groups;
}

KindSummary summarize(const QList<RemovableItem>& all, ExtensionCategoryKind kind)
{
    KindSummary summary;
    for (const RemovableItem& item : all) {
        if (!isOfKind(item, kind))
            continue;
        ++summary.count;
        summary.totalSize += std::max<std::int64_t>(item.size, 0);
    }
    return summary;
}

QString failureText(const QStringList& lines)
{
    return removal::namedList(lines, kShownFailures);
}

} // namespace tw::extensionsview
