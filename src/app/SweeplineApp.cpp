#include "app/SweeplineApp.h"

#include "app/AppDelegate.h"
#include "app/CleanupOfferAlert.h"
#include "app/EngineBindings.h"
#include "app/ThemedMenu.h"
#include "app/WindowChrome.h"
#include "app/Workspaces.h"
#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/Brand.h"
#include "state/MainWindowOpenBridge.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"
#include "menubar/MenuBarController.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "platform/DescriptorGate.h"
#include "platform/ThreadPool.h"
#include "views/kit/KeyFocus.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QToolTip>
#include <QWindow>

namespace tw {

namespace {

// A standard shortcut, or the given one where the platform has none.
QKeySequence standardOr(QKeySequence::StandardKey key, const QKeySequence& fallback)
{
    const QKeySequence s(key);
    return s.isEmpty() ? fallback : s;
}

// Menus and tooltips are windows of their own: they take the theme's colours
// and the window's font from the application, not from the main window.
void themePopups(AppAppearance a)
{
    ThemedMenu::themeApplicationPopups(a);
}

} // namespace

// ---- SweeplineApp ---------------------------------------------------------------------------

void SweeplineApp::windDown(AdminRunner& admin)
{
    for (QWindow* window : QGuiApplication::topLevelWindows())
        window->hide();
    admin.endRequests();
    descriptors::endWaits();
    waitForEnginePool();
}

SweeplineApp::SweeplineApp(const Platform& platform, ProgramParts parts, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_parts(std::move(parts))
{
    // The kit's style, before any window: with it the menu bar's side panel
    // shares the preview's activation when it takes the keyboard.
    keyfocus::installStyle();
    // The shared objects first (settings, navigation, language, theme), then
    // the delegate, which needs the navigation.
    m_state = std::make_unique<SharedState>(platform);
    m_delegate = std::make_unique<AppDelegate>(m_state->navigation());
    m_prompter = std::make_unique<DialogPrompter>([this]() -> QWidget* {
        return m_window && m_window->isVisible() ? m_window.data() : nullptr;
    });
    registerWorkspaces({[this]() -> SystemMonitor& { return monitor(); }, m_parts.permissions, m_parts.pictures});
    makeMenuBarController();
    ProgramParts::Hooks& hooks = m_parts.hooks;
    if (!hooks.enableLoginItem && m_parts.permissions)
        hooks.enableLoginItem = [permissions = m_parts.permissions] { permissions->enable(); };

    m_about = new QAction(QStringLiteral("About ") + displayName(), this);
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &SweeplineApp::showAbout);

    m_preferences = new QAction(QStringLiteral("Preferences…"), this);
    m_preferences->setMenuRole(QAction::PreferencesRole);
    m_preferences->setShortcut(standardOr(QKeySequence::Preferences, Qt::CTRL | Qt::Key_Comma));
    m_preferences->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_preferences, &QAction::triggered, this, [this] { m_state->navigation().setShowPreferences(true); });

    m_website = new QAction(QStringLiteral("Marrowind Website"), this);
    m_website->setMenuRole(QAction::NoRole);
    connect(m_website, &QAction::triggered, this, [this] { m_platform.workspace().open(brand::websiteURL()); });
    m_support = new QAction(QStringLiteral("Support"), this);
    m_support->setMenuRole(QAction::NoRole);
    connect(m_support, &QAction::triggered, this, [this] { m_platform.workspace().open(brand::supportURL()); });

    m_quit = new QAction(QStringLiteral("Quit ") + displayName(), this);
    m_quit->setMenuRole(QAction::QuitRole);
    m_quit->setShortcut(standardOr(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    // Quitting closes every window, the hidden one too (the close guard lets
    // those closes through), and ends the event loop.
    connect(m_quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });
    for (int i = 0; i < 3; ++i) {
        m_separators << new QAction(this);
        m_separators.last()->setSeparator(true);
    }

    themePopups(m_state->theme().appearance());
    connect(&m_state->theme(), &ThemeManager::appearanceChanged, this, &themePopups);

#ifdef Q_OS_MACOS
    // The application menu takes About and Preferences by their roles.
    m_menuBar = new QMenuBar(nullptr);
    QMenu* app = m_menuBar->addMenu(displayName());
    app->addAction(m_about);
    app->addAction(m_preferences);
    app->addAction(m_quit);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("Help"));
    help->addAction(m_website);
    help->addAction(m_support);
#endif

    m_state->openBridge().setFactory([this]() -> QWidget* { return createMainWindow(); });
    connect(&m_state->navigation(), &AppNavigation::remainOfferChanged, this, &SweeplineApp::presentOffer);
}

SweeplineApp::~SweeplineApp()
{
    m_parts.hooks = {};
    m_menuBarController.reset();
    closeOfferAlert();
    delete m_window.data();
    delete m_menuBar;
    m_cleaner.reset();
    m_scanner.reset();
    m_delegate.reset();
    m_state.reset();
    // The System tab's maker holds this program's parts.
    WorkspaceFactories::set(SidebarTab::system, {});
}

void SweeplineApp::makeMenuBarController()
{
    // The hooks stay as a test set them.
    ProgramParts::Hooks& hooks = m_parts.hooks;
    if (hooks.installMenuBar || !m_parts.statusArea)
        return;
    m_menuBarController = std::make_unique<MenuBarController>(
        MenuBarController::Services{*m_parts.statusArea, m_platform, [this]() -> SystemMonitor& { return monitor(); },
                                    [this]() -> Prompter& { return *m_prompter; }},
        m_state->settings(), m_state->navigation(), m_state->theme());
    MenuBarController* controller = m_menuBarController.get();
    hooks.installMenuBar = [controller](AppScanner& scanner, SystemCleaner& cleaner) { controller->install(scanner, cleaner); };
}

QIcon SweeplineApp::icon()
{
    return QIcon(QStringLiteral(":/icons/tidewell.svg"));
}

QList<QAction*> SweeplineApp::menuActions() const
{
    return {m_about, m_separators[0], m_preferences, m_separators[1], m_website, m_support, m_separators[2], m_quit};
}

AppScanner& SweeplineApp::scanner()
{
    if (!m_scanner)
        m_scanner = std::make_unique<AppScanner>(m_platform);
    return *m_scanner;
}

AppRemovalWatcher& SweeplineApp::removalWatcher()
{
    // Made once, with both engines: it follows the detection switch, publishes
    // its offers to the navigation and hears of every uninstall first.
    return bindRemovalWatcher(*m_state, scanner(), cleaner());
}

SystemCleaner& SweeplineApp::cleaner()
{
    // The menu bar follows the cleaner's orphan count itself.
    if (!m_cleaner)
        m_cleaner = std::make_unique<SystemCleaner>(m_platform);
    return *m_cleaner;
}

SystemMonitor& SweeplineApp::monitor()
{
    m_parts.monitor->start();  // a second call changes nothing
    return *m_parts.monitor;
}

WorkspaceEnvironment SweeplineApp::environment()
{
    return {scanner(), cleaner(), m_state->navigation(), m_state->theme(), m_platform, *m_prompter};
}

MainWindow* SweeplineApp::createMainWindow()
{
    removalWatcher();  // the engines are first needed here; the watcher is bound with them
    auto* window = new MainWindow(environment(), m_state->settings(), m_state->language());
    // The commands' shortcuts work in the window; a right-click lists them.
    window->addActions(menuActions());
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, window, [this, window](const QPoint& at) {
        auto* menu = new ThemedMenu(window);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addActions(menuActions());
        menu->popup(window->mapToGlobal(at));
    });
    connect(window, &MainWindow::contentShown, this, &SweeplineApp::runStartupHooks);
    m_window = window;
    return window;
}

void SweeplineApp::start()
{
    const bool made = !m_window;
    MainWindow* window = made ? createMainWindow() : m_window.data();
    // The menu bar's preview is made ahead once the new window's first frame is on screen.
    if (made && m_menuBarController) {
        m_menuBarController->holdPreparedPreview(true);
        const auto letGo = [this] {
            if (m_menuBarController)
                m_menuBarController->holdPreparedPreview(false);
        };
        connect(window, &MainWindow::firstPainted, this, letGo,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        connect(window, &QObject::destroyed, this, letGo);
    }
    // The icon is drawn from its picture after the first frame is on screen,
    // so that the window does not wait for it.
    if (QApplication::windowIcon().isNull())
        connect(window, &MainWindow::firstPainted, this, [] { QApplication::setWindowIcon(icon()); },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    window->show();
    window->raise();
    window->activateWindow();
}

void SweeplineApp::runStartupHooks()
{
    const ProgramParts::Hooks& hooks = m_parts.hooks;
    if (hooks.installMenuBar)
        hooks.installMenuBar(scanner(), cleaner());
    removalWatcher().start(&scanner());
    if (m_state->settings().runInBackground() && hooks.enableLoginItem)
        hooks.enableLoginItem();
}

QString SweeplineApp::aboutInformativeText()
{
    return QStringLiteral("App uninstaller and Mac cleanup utility.\n\nMade by Marrowind\n") + brand::websiteHost()
        + QStringLiteral("\nBundle ID: ") + bundleIdentifier();
}

Prompt SweeplineApp::aboutPrompt()
{
    Prompt about{Prompt::Style::informational,
                 displayName(),
                 aboutInformativeText(),
                 {{QStringLiteral("OK"), PromptButton::Role::defaultAction}, {QStringLiteral("Visit Website")}}};
    about.icon = icon();
    return about;
}

void SweeplineApp::showAbout()
{
    if (m_prompter->ask(aboutPrompt()) == 1)
        m_platform.workspace().open(brand::websiteURL());
}

void SweeplineApp::presentOffer()
{
    const std::optional<RemainCleanupOffer>& offer = m_state->navigation().remainOffer();
    closeOfferAlert();
    if (!offer)
        return;
    QWidget* parent = m_window && m_window->isVisible() ? m_window.data() : nullptr;
    // Non-modal: the offer can be replaced or withdrawn while it is shown.
    Prompt prompt{Prompt::Style::warning,
                  cleanupofferalert::title(*offer),
                  cleanupofferalert::message(*offer),
                  {{cleanupofferalert::removeButtonText(), PromptButton::Role::destructive},
                   {cleanupofferalert::laterButtonText(), PromptButton::Role::cancel}}};
    auto* box = new AlertDialog(prompt, parent);
    box->setObjectName(QStringLiteral("cleanupOffer"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(displayName());
    const QUuid id = offer->id;
    connect(box, &QDialog::finished, this, [this, box, id] {
        const auto& current = m_state->navigation().remainOffer();
        if (!current || current->id != id)
            return;
        answerOffer(box->chosen() == 0);
    });
    m_offerAlert = box;
    box->open();
}

void SweeplineApp::closeOfferAlert()
{
    if (AlertDialog* box = m_offerAlert.data()) {
        m_offerAlert.clear();
        box->disconnect(this);
        box->close();
    }
}

void SweeplineApp::answerOffer(bool removeRemainingFiles)
{
    AppNavigation& navigation = m_state->navigation();
    const std::optional<RemainCleanupOffer> offer = navigation.remainOffer();
    if (!offer || offer->id == m_offerRemoving)
        return;
    closeOfferAlert();
    if (!removeRemainingFiles) {
        settleOffer(offer->id, {});
        return;
    }
    // The offer stays pending (no other is made) while its files move off the
    // GUI thread; the window comes forward once they have, so that the
    // remains it shows are looked for afterwards. Its leftovers are in no
    // engine list: only the Trash changes.
    removalWatcher().suppress(offer->bundleIdentifier);
    m_offerRemoving = offer->id;
    auto moved = [this, id = offer->id](const RemovalReport& report) {
        m_offerRemoving = QUuid();
        settleOffer(id, report.failures);
    };
    cleaner().trashSelected(cleanupofferalert::removableItems(*offer), {this, std::move(moved)});
}

void SweeplineApp::settleOffer(const QUuid& id, const QList<RemovalFailure>& failed)
{
    AppNavigation& navigation = m_state->navigation();
    navigation.openMainWindow(std::nullopt, true, false);
    if (navigation.remainOffer() && navigation.remainOffer()->id == id) {
        closeOfferAlert();
        navigation.setRemainOffer(std::nullopt);
    }
    // What did not move stays where it is, and the user is told so (last,
    // once the offer is settled: the alert waits for an answer).
    if (!failed.isEmpty())
        m_prompter->ask(cleanupofferalert::failureAlert(failed));
}

} // namespace tw
