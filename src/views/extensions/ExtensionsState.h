#pragma once

#include "engine/cleaner/SystemCleaner.h"
#include "views/extensions/ExtensionRules.h"

#include <QObject>
#include <QSet>

#include <array>
#include <optional>

namespace tw {

// The Extensions tab's view state over the cleaner's extension list: the
// chosen kind, the search, the item order, the folded groups and the
// selection (kept as paths, so it outlives a rescan), with the lists derived
// from them. Derived lists are rebuilt when their inputs change, never on a
// read. Lives on the GUI thread.
class ExtensionsState : public QObject {
    Q_OBJECT
public:
    explicit ExtensionsState(SystemCleaner& cleaner, QObject* parent = nullptr);

    SystemCleaner& cleaner() const { return m_cleaner; }

    ExtensionCategoryKind selectedCategory() const { return m_category; }
    // A change of kind selects every visible entry of the new kind.
    void setSelectedCategory(ExtensionCategoryKind kind);
    // A category row's click: the kind, then every group unfolded.
    void chooseCategory(ExtensionCategoryKind kind);

    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);

    // true: items by title; false: by size, largest first.
    bool sortByKind() const { return m_sortByKind; }
    void setSortByKind(bool byKind);

    bool isCollapsed(const QString& group) const { return m_collapsed.contains(group); }
    void toggleCollapsed(const QString& group);

    // Derived from the engine's list and the state above.
    const QList<RemovableItem>& categoryItems() const { return m_visible; }
    const QList<extensionsview::ExtensionGroup>& groups() const { return m_groups; }
    // Without the search filter.
    extensionsview::KindSummary summary(ExtensionCategoryKind kind) const { return m_summaries[size_t(kind)]; }

    // Selection. Paths of entries that are not visible stay in the set but
    // are never counted.
    const QSet<QString>& selectedPaths() const { return m_selected; }
    bool isSelected(const QString& path) const { return m_selected.contains(path); }
    void toggleSelected(const QString& path);
    bool isGroupSelected(const extensionsview::ExtensionGroup& group) const;
    void setGroupSelected(const extensionsview::ExtensionGroup& group, bool selected);
    int selectedCount() const;
    bool allSelected() const;
    void setAllSelected(bool selected);
    void selectAllVisible();

    // The tab was shown: a scan when the engine holds nothing, else every
    // visible entry selected.
    void appear();
    void rescan() { m_cleaner.scanExtensions(); }

    // Moves the selected visible entries' files into the Trash on the engine
    // pool; those whose files all moved leave the engine's list and the
    // selection when it ends, the others stay listed and selected. Does
    // nothing while a removal runs.
    void removeSelected();
    // This tab's removal, or another change of the cleaner, runs.
    bool isRemoving() const { return m_cleaner.isRemoving(); }
    bool canRemove() const { return !isRemoving() && selectedCount() > 0; }

    // The failure text of the last removal, until dismissed.
    const std::optional<QString>& removeError() const { return m_removeError; }
    void dismissRemoveError();

signals:
    void entriesChanged();   // categoryItems and groups
    void summariesChanged();
    void categoryChanged();
    void sortChanged();
    void collapsedChanged();
    void selectionChanged();
    void removingChanged();
    void removeErrorChanged();
    void removalFinished();

private:
    void engineListChanged();
    void rebuildVisible();
    void rebuildGroups();
    void setSelection(QSet<QString> paths);
    void finishRemoval(const RemovalReport& report);

    SystemCleaner& m_cleaner;
    ExtensionCategoryKind m_category = ExtensionCategoryKind::browserExtensions;
    QString m_searchText;
    bool m_sortByKind = true;
    QSet<QString> m_collapsed;
    QSet<QString> m_selected;
    std::optional<QString> m_removeError;
    qsizetype m_lastCount = 0;

    QList<RemovableItem> m_visible;
    QList<extensionsview::ExtensionGroup> m_groups;
    std::array<extensionsview::KindSummary, 6> m_summaries{};
};

} // namespace tw
