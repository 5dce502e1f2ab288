#pragma once

#include "app/MainWindow.h"
#include "engine/cleaner/SystemCleaner.h"
#include "platform/Platform.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/Prompter.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

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

// Calls into parts of the program that are built by later work (the menu bar
// controller and the system monitor's login-item permission). Each is empty
// until its part sets it; the shell calls it at its moment and does nothing
// while it is empty.
struct SubsystemSeams {
    // MenuBarController::install(scanner, cleaner): each time the window's content is shown.
    std::function<void(AppScanner&, SystemCleaner&)> installMenuBar;
    // MenuBarController::updateBadge(): when the remains count changes.
    std::function<void()> updateMenuBarBadge;
    // SystemMonitorPermissions::shared().enable(): each time the content is
    // shown while run-in-background is on.
    std::function<void()> enableLoginItem;
};

// The program: owns the engines for the life of the process, installs the
// shared state, makes the main window, answers the cleanup offers, and
// carries the menu commands and the About box.
class SweeplineApp : public QObject {
    Q_OBJECT
public:
    explicit SweeplineApp(const Platform& platform, QObject* parent = nullptr);
    ~SweeplineApp() override;

    static QString displayName() { return QStringLiteral("Tidewell"); }
    static QString bundleIdentifier() { return QStringLiteral("com.marrowind.tidewell"); }
    // The program's own icon (window, About box, desktop entry).
    static QIcon icon();
    static SubsystemSeams& seams();

    const Platform& platform() const { return m_platform; }
    SharedState& state() const { return *m_state; }
    AppDelegate& delegate() const { return *m_delegate; }
    // The engines, built on first use and kept to the end.
    AppScanner& scanner();
    SystemCleaner& cleaner();
    // Watches for applications removed outside the program; started with the window.
    AppRemovalWatcher& removalWatcher();
    // Every alert and confirmation of the program goes through this one.
    Prompter& prompter() { return *m_prompter; }
    void setPrompter(std::unique_ptr<Prompter> prompter) { m_prompter = std::move(prompter); }
    WorkspaceEnvironment environment();

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

    // The status item's controller, installed through the start-up seam;
    // null when the seam was filled by someone else before the program was made.
    MenuBarController* menuBarController() const { return m_menuBarController.get(); }

    // The cleanup-offer alert while one is up.
    AlertDialog* offerAlert() const { return m_offerAlert; }
    // Answers the pending offer as the alert's buttons do.
    void answerOffer(bool removeRemainingFiles);

private:
    void presentOffer();
    void closeOfferAlert();
    void makeMenuBarController();

    const Platform& m_platform;
    std::unique_ptr<SharedState> m_state;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<AppScanner> m_scanner;
    std::unique_ptr<SystemCleaner> m_cleaner;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<StatusArea> m_statusArea;
    std::unique_ptr<MenuBarController> m_menuBarController;
    QPointer<MainWindow> m_window;
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
