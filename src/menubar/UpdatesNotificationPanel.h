#pragma once

#include "engine/updates/UpdateModels.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace tw {

class FilterBar;
class LazyList;
class TextButton;
class ProgressIndicator;
class PullDownButton;
class QuickListRow;
class TintedLabel;
class UpdateChecker;

// Where the updates shown come from.
enum class UpdateNoticeSource { all, developer, appStore };

// "All", "Developer", "App Store" (the menu's titles); a source from exactly
// these texts.
QString rawValue(UpdateNoticeSource source);
std::optional<UpdateNoticeSource> updateNoticeSourceFrom(const QString& text);
const QList<UpdateNoticeSource>& allUpdateNoticeSources();

namespace quick {

// developer: every channel but the App Store.
bool admits(UpdateNoticeSource source, UpdateChannel channel);

// The rows with an update to act on, in order.
QList<AppUpdateItem> detectedUpdates(const QList<AppUpdateItem>& items);
// Those the source admits whose names contain search.
QList<AppUpdateItem> shownUpdates(const QList<AppUpdateItem>& detected, UpdateNoticeSource source,
                                  const QString& search);
// "Ready to update: 1 app", "Ready to update: 3 apps".
QString readyText(qsizetype count);
// The line when nothing is shown: "All your apps are up to date." only
// when no check failed, else how many apps could not be checked.
QString nothingShownText(const QList<AppUpdateItem>& items);
// "Update" for a feed's update, "Launch app" otherwise.
QString actionTitle(const UpdateAvailability& availability);

} // namespace quick

// The side panel's updates pane (440 x 380 points): the menu bar checker's
// detected updates, narrowed by source and name, each row with its versions
// and an action button; a footer counting every detected update, with an
// "Open in App" link.
class UpdatesNotificationPanel : public QWidget {
    Q_OBJECT
public:
    UpdatesNotificationPanel(UpdateChecker& checker, std::function<void()> onOpenInApp, QWidget* parent = nullptr);

    static constexpr QSize paneSize() { return {440, 380}; }
    // The new version's green.
    static QColor newVersionColour();

    UpdateNoticeSource source() const { return m_source; }
    void setSource(UpdateNoticeSource source);
    const QString& searchText() const { return m_search; }
    void setSearchText(const QString& text);
    // The rows shown, in order.
    const QList<AppUpdateItem>& rows() const { return m_rows; }

    enum class Content { checking, list, nothing };
    Content content() const { return m_content; }

    PullDownButton* sourcePicker() const { return m_picker; }
    FilterBar* searchBar() const { return m_searchBar; }
    ProgressIndicator* progress() const { return m_progress; }
    TintedLabel* nothingText() const { return m_nothing; }
    LazyList* list() const { return m_list; }
    TintedLabel* footerText() const { return m_footer; }
    TextButton* openInApp() const { return m_openInApp; }
    // The row showing rows()[i], or null when it is not in view.
    QuickListRow* rowFor(int i) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeRow() const;
    void bindRow(QuickListRow* row, int i);
    void refresh();

    UpdateChecker& m_checker;
    UpdateNoticeSource m_source = UpdateNoticeSource::all;
    QString m_search;
    QList<AppUpdateItem> m_rows;
    Content m_content = Content::nothing;
    PullDownButton* m_picker = nullptr;
    FilterBar* m_searchBar = nullptr;
    ProgressIndicator* m_progress = nullptr;
    TintedLabel* m_nothing = nullptr;
    LazyList* m_list = nullptr;
    TintedLabel* m_footer = nullptr;
    TextButton* m_openInApp = nullptr;
};

} // namespace tw
