#pragma once

#include "state/NavigationTypes.h"
#include "state/Theme.h"
#include "platform/StatusItem.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>


namespace tw {

class AppNavigation;
class AppScanner;
class AppSettings;
class CategoryQuickPanel;
class Clock;
class MenuBarQuickPreview;
class Platform;
class PopoverWindow;
class Prompter;
class SidePanel;
class SystemCleaner;
class SystemMonitor;
class UpdateChecker;
struct QuickPaneEnvironment;
struct QuickPreviewCallbacks;
enum class KeyExit;

// Everything the program shows in the desktop's status area: the item with
// its glyph and update badge, the quick preview under it, the context menu
// and one reusable side panel beside them. It owns its own update checker
// (the badge, the preview and the updates pane read it) and starts one
// background check once applications are known. The side panel belongs to
// the preview: clicks on it keep the preview open, its panes' alerts open
// over it while both stay, and it goes whenever the preview goes; the
// preview lends it the keyboard (a card opened from the keyboard, Tab past
// the preview's ends). The engines are held weakly; the shell owns them.
class MenuBarController : public QObject {
    Q_OBJECT
public:
    struct Services {
        StatusArea& statusArea;
        const Platform& platform;                  // for the own update checker
        std::function<SystemMonitor&()> monitor;   // the monitor, started by its first call
        std::function<Prompter&()> prompter;       // the panes' alerts
        std::function<void()> quit;                // QCoreApplication::quit() when empty
        Clock* clock = nullptr;                    // the platform's when null
    };

    MenuBarController(Services services, AppSettings& settings, AppNavigation& navigation, ThemeManager& theme,
                      QObject* parent = nullptr);
    ~MenuBarController() override;

    // Keeps the engines, makes the popover and subscribes to the menu bar
    // setting, the remains count, the own checker's rows, the applications
    // and the theme; each of these is also delivered once with its current
    // value on the next turn of the event loop. Applies the setting at once.
    // A further call with the same engines changes nothing; with others it
    // subscribes to those instead.
    void install(AppScanner& scanner, SystemCleaner& cleaner);
    // While held, the next showing's preview is not made ahead of time (the
    // main window's first frame goes first); letting go makes it.
    void holdPreparedPreview(bool held);

    // Sets the item's badge from the own checker's available updates (the
    // remains never count) and draws its picture again.
    void updateBadge();
    // Creates the item, or closes everything and removes it.
    void setStatusItemVisible(bool visible);
    // A click on the item: the context menu for a context click; else the
    // preview opens when it is closed (unless an outside click closed it an
    // instant ago, on the way to this click), or closes when it is shown and
    // not pinned.
    void togglePopover(StatusItem::Click click);
    void showContextMenu();
    // Builds a new preview and shows it under the item (nothing without an
    // item or with an engine gone).
    void showPopover();
    // Closes everything: clears the selected category, puts the popover
    // and the side panel away.
    void closePopover();
    // Selects the tab in the main window and shows the side panel with a new
    // panel for it, placed beside the item when it was not shown yet.
    void showCategoryPanel(SidebarTab tab);
    void applyPanelChrome();
    // Hands the keyboard from the preview to the shown side panel (see
    // PopoverWindow::lendKeyboard); false when none is shown.
    bool lendKeyboardToPanel(KeyExit exit);

    // The context menu's actions.
    void openApp();
    void openPrefs();
    void toggleMenuBarPref();
    void quitApp();

    // The side panel's colour: the shell's light panel when the theme
    // manager's choice is classic, else the card fill of the stored theme.
    static QColor panelChrome(AppAppearance managed, AppAppearance stored);
    static QString toolTip() { return QStringLiteral("Tidewell — Quick Preview"); }
    // How long after an outside click a click on the item leaves the preview closed.
    static constexpr qint64 reopenGuardMs = 300;

    // " 3", or "" without updates or without an item.
    const QString& badgeTitle() const { return m_badgeTitle; }
    bool isPinned() const { return m_pinned; }
    bool isPopoverShown() const;
    PopoverWindow* popover() const { return m_popover; }
    MenuBarQuickPreview* preview() const;
    SidePanel* panel() const { return m_panel; }
    CategoryQuickPanel* categoryPanel() const;
    UpdateChecker& updateChecker() const { return *m_updateChecker; }
    // What the side panel's panes ask through: the program's prompter, with
    // the panel as the alerts' owner and the preview held open meanwhile.
    Prompter& panelPrompter() const;
    // The context menu while it is up.
    QMenu* contextMenu() const { return m_menu; }

private:
    class PanelPrompter;

    void subscribe();
    void unsubscribe();
    void checkInBackground();
    void refreshTheme();
    void enginesGone();
    MenuBarQuickPreview* makePreview();
    // Builds the next showing's preview while nothing is shown, so that a
    // click only has to put it on screen.
    void prepareNextPreview();
    QuickPreviewCallbacks previewCallbacks();
    QuickPaneEnvironment paneEnvironment(SidebarTab tab);
    // Makes the side panel the popover's companion.
    void pairPanel();
    SystemMonitor& monitor() const;
    Prompter& prompter() const;
    qint64 now() const;
    // Where the item stands; the cursor when the desktop does not tell.
    QRect anchor() const;

    Services m_services;
    AppSettings& m_settings;
    AppNavigation& m_navigation;
    ThemeManager& m_theme;
    std::unique_ptr<StatusItem> m_item;
    QString m_badgeTitle;
    PopoverWindow* m_popover = nullptr;
    QPointer<MenuBarQuickPreview> m_next;
    bool m_previewHeld = false;
    SidePanel* m_panel = nullptr;
    QPointer<QMenu> m_menu;
    bool m_pinned = false;
    std::optional<qint64> m_outsideCloseAt;
    QList<QMetaObject::Connection> m_subscriptions;
    QPointer<AppScanner> m_scanner;
    QPointer<SystemCleaner> m_cleaner;
    UpdateChecker* m_updateChecker;
    std::unique_ptr<PanelPrompter> m_panelPrompter;
};

} // namespace tw
