#pragma once

#include "platform/Platform.h"
#include "state/Theme.h"

#include <memory>

namespace tw {

class AppRemovalWatcher;
class AppSettings;
class AppNavigation;
class LanguageManager;
class ThemeManager;
class WindowNotices;
class MainWindowCloseGuard;
class MainWindowOpenBridge;

// The installation step of the shell's process-wide objects. The program
// entry creates one SharedState from the platform right after the
// QApplication and before any window, and keeps it until the event loop
// ends; tests create one over a FakePlatform. It creates, in this order,
// AppSettings (which seeds its keys), AppNavigation, LanguageManager and
// ThemeManager (which runs its start-up choice), then the window pieces.
// The static shared() accessors of those classes, L10n::t and AppTheme reach
// the one installed here. At most one exists at a time.
//
// The start-up sequence of the program entry:
//   QApplication app(argc, argv);
//   SingleInstanceGuard instance;
//   if (!instance.tryBecomePrimary()) return 0;   // the running copy comes forward
//   HostPlatform host;
//   SharedState state(host.platform());
//   AppDelegate delegate(state.navigation());      // closing the last window never quits
//   connect(&instance, &SingleInstanceGuard::reopenRequested, &delegate, &AppDelegate::handleSecondLaunch);
//   AppScanner scanner(host.platform()); SystemCleaner cleaner(host.platform());
//   bindRemovalWatcher(state, scanner, cleaner);
//   state.openBridge().setFactory([] { /* a new main window, WindowChrome::install'ed */ });
//   ... show the first main window, then app.exec().
class SharedState {
public:
    explicit SharedState(const Platform& platform);
    ~SharedState();
    SharedState(const SharedState&) = delete;
    SharedState& operator=(const SharedState&) = delete;

    // The installed state, or null. Safe to call from any thread.
    static SharedState* current();
    // The installed state; aborts when there is none.
    static SharedState& instance();

    const Platform& platform() const { return m_platform; }
    AppSettings& settings() const { return *m_settings; }
    AppNavigation& navigation() const { return *m_navigation; }
    LanguageManager& language() const { return *m_language; }
    ThemeManager& theme() const { return *m_theme; }
    WindowNotices& notices() const { return *m_notices; }
    MainWindowCloseGuard& closeGuard() const { return *m_closeGuard; }
    MainWindowOpenBridge& openBridge() const { return *m_openBridge; }
    // The shared removal watcher, once bindRemovalWatcher made it; null before.
    AppRemovalWatcher* removalWatcher() const { return m_removalWatcher.get(); }
    void setRemovalWatcher(std::unique_ptr<AppRemovalWatcher> watcher);

private:
    const Platform& m_platform;
    // In creation order, so they are destroyed in reverse.
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<AppNavigation> m_navigation;
    std::unique_ptr<LanguageManager> m_language;
    std::unique_ptr<ThemeManager> m_theme;
    std::unique_ptr<WindowNotices> m_notices;
    std::unique_ptr<MainWindowCloseGuard> m_closeGuard;
    std::unique_ptr<MainWindowOpenBridge> m_openBridge;
    std::unique_ptr<AppRemovalWatcher> m_removalWatcher;
};

} // namespace tw
