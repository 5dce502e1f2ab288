#pragma once

#include "engine/updates/UpdateChecker.h"

#include <QObject>

#include <optional>

namespace tw {

class AppScanner;

// The Updates tab without its widgets: its own checker, the search, the
// selection (a path, so it outlives a new check) and the rules that choose
// what the list column shows and when a check starts by itself. Lists are
// recomputed once per change, not per paint. GUI thread only.
class UpdatesState : public QObject {
    Q_OBJECT
public:
    UpdatesState(AppScanner& scanner, const Platform& platform, QObject* parent = nullptr);

    UpdateChecker& checker() { return m_checker; }
    const UpdateChecker& checker() const { return m_checker; }

    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    const std::optional<QString>& selectedID() const { return m_selectedID; }
    void select(const QString& id);

    // The rows the list shows: the checker's displayed rows whose name or
    // bundle identifier contains the search text (case-insensitively).
    const QList<AppUpdateItem>& filtered() const { return m_filtered; }
    // The selected row, looked up in the shown rows first, then in all rows.
    std::optional<AppUpdateItem> selected() const;

    // One channel's rows in list order; only channels with rows have one.
    struct Section {
        UpdateChannel channel;
        QList<AppUpdateItem> rows;
    };
    const QList<Section>& sections() const { return m_sections; }
    static QList<Section> sectionsOf(const QList<AppUpdateItem>& rows);
    static QString sectionHeader(UpdateChannel channel);

    // What the middle of the list column shows: the progress of a running
    // check, the sections, or the empty state.
    enum class Region { progress, rows, empty };
    Region region() const;
    // The text under the spinner.
    QString progressLabel() const;
    // The empty state's title: "No applications found" while every row is
    // listed; with updates only, "All your apps are up to date." unless some
    // check failed, then how many apps could not be checked.
    QString emptyTitle() const;
    // The bottom bar's text, once a check has ended.
    QString bottomText() const;

    // The check button.
    bool canCheck() const;
    void check();
    // The show-all buttons.
    QString showAllCaption() const;
    void toggleShowAll();

    void performPrimaryAction(const AppUpdateItem& row);

    // Each time the tab appears: checks when there are applications and no
    // rows yet (and no check building them).
    void appeared();

signals:
    // Anything shown but the selection changed: rows, progress, the search, the toggle.
    void changed();
    void selectionChanged();

private:
    void applicationCountChanged();
    void recompute();
    void recomputeLater();

    AppScanner& m_scanner;
    UpdateChecker m_checker;
    QString m_searchText;
    std::optional<QString> m_selectedID;
    qsizetype m_appCount = 0;
    QList<AppUpdateItem> m_filtered;
    QList<Section> m_sections;
    bool m_recomputePending = false;
};

} // namespace tw
