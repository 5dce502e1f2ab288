#pragma once

#include "app/MainWindow.h"
#include "app/Workspaces.h"
#include "engine/cleaner/SystemCleaner.h"
#include "platform/Platform.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/Prompter.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <memory>

class QAction;
class QMenuBar;

namespace tw {

class AppDelegate;
class AppRemovalWatcher;
class AppScanner;
class MenuBarController;
class SharedState;
class StatusArea;
class SystemMonitor;
class SystemMonitorPermissions;

// What the program is made with besides the platform, built with it in main
// and outliving the program: the system monitor (started when first shown),
// its login-item permission, the machine card's pictures and the desktop's
// status area.
struct ProgramParts {
    SystemMonitor* monitor = nullptr;                  // required
    SystemMonitorPermissions* permissions = nullptr;   // none: no login item
    macproductimage::Sources pictures;
    StatusArea* statusArea = nullptr;
    // What a test puts in place of the menu bar controller (no controller is
    // made when installMenuBar is set) and of permissions->enable().
    struct Hooks {
        // Each time the window's content is shown.
        std::function<void(AppScanner&, SystemCleaner&)> installMenuBar;
        // Each time the content is shown while run-in-background is on.
        std::function<void()> enableLoginItem;
    } hooks;
};

// The program: owns the engines for the life of the process, installs the
// shared state, makes the main window, answers the cleanup offers, and
// carries the menu commands and the About box.
class SweeplineApp : public QObject {
    Q_OBJECT
public:
    SweeplineApp(const Platform& platform, ProgramParts parts, QObject* parent = nullptr);
    ~SweeplineApp() override;

    static QString displayName() { return QStringLiteral("Tidewell"); }
    static QString bundleIdentifier() { return QStringLiteral("com.marrowind.tidewell"); }
    // The program's own icon (window, About box, desktop entry).
    static QIcon icon();

    const Platform& platform() const { return m_platform; }
    SharedState& state() const { return *m_state; }
    AppDelegate& delegate() const { return *m_delegate; }
    // The system monitor, sampling from its first call on.
    SystemMonitor& monitor();
    // The engines, built on first use and kept to the end.
    AppScanner& scanner();
    SystemCleaner& cleaner();
    // Watches for applications removed outside the program; started with the window.
    AppRemovalWatcher& removalWatcher();
    // Every alert and confirmation of the program goes through this one.
    Prompter& prompter() { return *m_prompter; }
    void setPrompter(std::unique_ptr<Prompter> prompter) { m_prompter = std::move(prompter); }
    WorkspaceEnvironment environment();

    // What follows the event loop's end, whatever ended it (Quit, a
    // signal): background work reads the platform, so it ends first, with no
    // window left on screen meanwhile. A removal under way finishes its
    // moves; one waiting for an administrator's password would keep it from
    // ending, so the prompt is withdrawn and no other is asked for. Work
    // waiting for a file descriptor gives up at once: a walk's figure comes
    // back short, a listing or read fails, and nothing waits for one again.
    static void windDown(AdminRunner& admin);

    // Makes the main window (the open bridge's factory) and shows it.
    void start();
    MainWindow* createMainWindow();
    MainWindow* mainWindow() const { return m_window; }

    // The start-up hooks, run each time the window's content is shown.
    void runStartupHooks();

    // The menu commands.
    QAction* aboutAction() const { return m_about; }
    QAction* preferencesAction() const { return m_preferences; }
    QAction* websiteAction() const { return m_website; }
    QAction* supportAction() const { return m_support; }
    QAction* quitAction() const { return m_quit; }
    QList<QAction*> commands() const { return {m_about, m_preferences, m_website, m_support, m_quit}; }
    // The commands in their groups (about; preferences; the maker's links;
    // quit), with a separator between two groups: the window's right-click menu.
    QList<QAction*> menuActions() const;

    // The About box, an alert with the program's icon run modally through
    // the prompter; "Visit Website" opens the maker's site.
    void showAbout();
    static Prompt aboutPrompt();
    static QString aboutInformativeText();

    // The status item's controller; null when a hook stands in for it.
    MenuBarController* menuBarController() const { return m_menuBarController.get(); }

    // The cleanup-offer alert while one is up.
    AlertDialog* offerAlert() const { return m_offerAlert; }
    // Answers the pending offer as the alert's buttons do. Removing returns
    // at once: the offer stays pending until its files have moved (off the
    // GUI thread), and an answer meanwhile does nothing.
    void answerOffer(bool removeRemainingFiles);

private:
    void presentOffer();
    void closeOfferAlert();
    // Brings the window forward, drops the offer and tells what did not move.
    void settleOffer(const QUuid& id, const QList<RemovalFailure>& failed);
    void makeMenuBarController();

    const Platform& m_platform;
    ProgramParts m_parts;
    std::unique_ptr<SharedState> m_state;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<AppScanner> m_scanner;
    std::unique_ptr<SystemCleaner> m_cleaner;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<MenuBarController> m_menuBarController;
    QPointer<MainWindow> m_window;
    QUuid m_offerRemoving;  // the offer whose files are moving
    QPointer<AlertDialog> m_offerAlert;
    QAction* m_about;
    QAction* m_preferences;
    QAction* m_website;
    QAction* m_support;
    QAction* m_quit;
    QList<QAction*> m_separators;
    QMenuBar* m_menuBar = nullptr;
};

} // namespace tw
