#include "state/SharedState.h"

#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/MainWindowCloseGuard.h"
#include "state/MainWindowOpenBridge.h"
#include "state/Theme.h"
#include "state/WindowNotices.h"
#include "engine/inventory/AppRemovalWatcher.h"

#include <QtGlobal>

#include <atomic>

namespace tw {

namespace {

std::atomic<SharedState*> installed{nullptr};

} // namespace

SharedState::SharedState(const Platform& platform)
    : m_platform(platform)
{
    SharedState* expected = nullptr;
    if (!installed.compare_exchange_strong(expected, this))
        qFatal("SharedState: another one is installed");
    m_settings = std::make_unique<AppSettings>(platform.settings());
    m_navigation = std::make_unique<AppNavigation>();
    m_language = std::make_unique<LanguageManager>(platform.settings());
    m_theme = std::make_unique<ThemeManager>(platform.settings());
    m_notices = std::make_unique<WindowNotices>();
    m_closeGuard = std::make_unique<MainWindowCloseGuard>();
    m_openBridge = std::make_unique<MainWindowOpenBridge>(*m_notices);
    L10n::languageMayHaveChanged();  // another platform: its settings and languages
}

SharedState::~SharedState()
{
    // The accessors fail from here on; the members then go in reverse order.
    installed.store(nullptr);
    L10n::languageMayHaveChanged();
}

void SharedState::setRemovalWatcher(std::unique_ptr<AppRemovalWatcher> watcher)
{
    m_removalWatcher = std::move(watcher);
}

SharedState* SharedState::current()
{
    return installed.load();
}

SharedState& SharedState::instance()
{
    SharedState* state = installed.load();
    if (!state)
        qFatal("SharedState: none is installed");
    return *state;
}

} // namespace tw
