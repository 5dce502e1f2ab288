#pragma once

#include "engine/cleaner/RemovableItem.h"

#include <QList>
#include <QString>

#include <cstdint>

// The Extensions tab's list rules: which entries a kind holds, the search,
// the groups and their order, the two item orders and the per-kind figures.
// Pure functions over the engine's list; the tab's state caches their results.
namespace tw::extensionsview {

// Browser extensions match any category holding "extension" (in any case);
// every other kind matches its display name exactly.
bool isOfKind(const RemovableItem& item, ExtensionCategoryKind kind);

// Search text prepared once per change: NFC, as typed (not trimmed).
class SearchText {
public:
    explicit SearchText(const QString& typed);
    bool isEmpty() const { return m_text.isEmpty(); }
    // Case-insensitive containment in the title or the subtitle.
    bool matches(const RemovableItem& item) const;

private:
    QString m_text;
};

// The entries of the kind in the engine's order, then those the search keeps.
QList<RemovableItem> visibleEntries(const QList<RemovableItem>& all, ExtensionCategoryKind kind,
                                    const SearchText& search);

struct ExtensionGroup {
    QString name;
    QList<RemovableItem> items;
};

// The browsers' groups in their fixed order; any other name ranks 500.
int groupRank(const QString& name);

// The visible entries grouped by their exact category, groups in rank order
// (ties by name), items by title (byTitle) or by size, largest first. Stable.
QList<ExtensionGroup> groupEntries(const QList<RemovableItem>& visible, bool byTitle);

struct KindSummary {
    int count = 0;
    std::int64_t totalSize = 0;  // sizes of zero or below count as 0
    friend bool operator==(const KindSummary&, const KindSummary&) = default;
};

KindSummary summarize(const QList<RemovableItem>& all, ExtensionCategoryKind kind);

// The alert text of a removal's failure lines (removal::failureLines): the first three, then
// "…and N more." for the rest.
QString failureText(const QStringList& lines);

} // namespace tw::extensionsview
