#pragma once

#include "engine/cleaner/SystemCleaner.h"

#include <QList>
#include <QObject>

#include <optional>

namespace tw {

class Prompter;
class Workspace;

// The Startup tab's view state over the cleaner's startup list: the search,
// the selection (kept as a path, so it outlives a rescan that makes every
// entry anew) and the actions. Every change of the system goes through the
// engine; the list shows what the engine holds afterwards, so a refused
// switch stays where it was. Failures are told through the prompter in one
// alert titled "Startup Programs". A switch or a removal runs from the press
// until the engine's outcome is back (the engine works off the GUI thread);
// meanwhile, and while any other change of the cleaner runs, the tab is busy
// and takes no second one. The shown rows and the selected entry are worked
// out when the list, the search or the selection changes, never on a read.
// GUI thread only.
class StartupState : public QObject {
    Q_OBJECT
public:
    StartupState(SystemCleaner& cleaner, Prompter& prompter, Workspace& workspace, QObject* parent = nullptr);

    SystemCleaner& cleaner() const { return m_cleaner; }
    const QList<RemovableItem>& allItems() const { return m_cleaner.startupItems(); }
    bool isScanning() const { return m_cleaner.isScanningStartup(); }

    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);

    // The rows the list shows (positions in allItems()).
    int shownCount() const { return int(m_shown.size()); }
    const RemovableItem& shownItem(int row) const { return allItems()[m_shown[row]]; }

    const std::optional<QString>& selectedPath() const { return m_selectedPath; }
    void select(const QString& path);
    // The selected entry, or null (none chosen, or none at that path now).
    const RemovableItem* selected() const;
    // Whether a row shows the selection.
    bool isActive(const RemovableItem& item) const { return m_selectedPath == item.path; }

    // The tab was shown: a scan when the engine holds nothing.
    void appear();
    // The refresh button: a scan, always.
    void refresh();

    // What the tab itself is doing: asking to confirm a removal, or waiting
    // for the engine's outcome of a switch (of the entry at actionPath) or a
    // removal.
    enum class Action { none, confirming, toggle, remove };
    Action runningAction() const { return m_action; }
    const QString& actionPath() const { return m_actionPath; }
    bool isBusy() const { return m_action != Action::none || m_cleaner.isRemoving(); }

    // A card's switch: asks the engine for the state.
    void setItemEnabled(const QString& path, bool enabled);
    // The detail's Enable/Disable button: the opposite of the selected entry's state.
    void toggleSelected();
    // The detail's Remove button: the confirmation, then the removal of
    // whatever is selected once the user has answered.
    void confirmAndRemoveSelected();
    // "Show Application": reveals the owning application, else the entry.
    void showApplication();

signals:
    void listChanged();       // the shown rows or their contents
    void selectionChanged();  // the selected path or the selected entry
    void scanningChanged();
    void busyChanged();

private:
    void rebuild();
    void report(const Status& status);
    void setAction(Action action, const QString& path = {});
    // The engine's outcome of the tab's switch or removal.
    void finish(const Status& outcome);

    SystemCleaner& m_cleaner;
    Prompter& m_prompter;
    Workspace& m_workspace;
    QString m_searchText;
    std::optional<QString> m_selectedPath;
    QList<int> m_shown;
    int m_selectedIndex = -1;
    bool m_wasScanning = false;
    Action m_action = Action::none;
    QString m_actionPath;
};

} // namespace tw
