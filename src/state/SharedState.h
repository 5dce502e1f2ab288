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

// The shell's process-wide objects, installed for the life of the program.
// SweeplineApp creates the one SharedState from the platform (main builds
// the platform and the program right after the QApplication, before any
// window) and destroys it last; tests create one over a FakePlatform. It
// creates, in this order, AppSettings (which seeds its keys), AppNavigation,
// LanguageManager and ThemeManager (which runs its start-up choice), then
// WindowNotices, the close guard and the open bridge. The static shared()
// accessors of those classes, L10n::t and AppTheme reach the one installed
// here. At most one exists at a time.
//
// The program then makes its delegate (closing the last window never quits)
// and gives the open bridge its factory, a new main window. The engines and
// the removal watcher (bindRemovalWatcher) are made with the first window;
// the watcher starts, with the menu bar item, once its content is shown.
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
