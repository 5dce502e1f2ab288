#include "menubar/MenuBarController.h"

#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/updates/UpdateChecker.h"
#include "menubar/CategoryQuickPanel.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/Placement.h"
#include "menubar/PopoverWindow.h"
#include "menubar/QuickPanes.h"
#include "menubar/SidePanel.h"
#include "menubar/StatusGlyph.h"
#include "monitor/SystemMonitor.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Prompter.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QTimer>

namespace tw {

namespace {

QKeySequence standardOr(QKeySequence::StandardKey key, const QKeySequence& fallback)
{
    const QKeySequence sequence(key);
    return sequence.isEmpty() ? fallback : sequence;
}

std::optional<QRect> availableArea(const QRect& near)
{
    QScreen* screen = QGuiApplication::screenAt(near.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return screen->availableGeometry();
}

} // namespace

// The prompter of the side panel's panes: their alerts belong to the panel
// (they open over it), and the preview stays as it was while one is up.
class MenuBarController::PanelPrompter final : public Prompter {
public:
    explicit PanelPrompter(MenuBarController& controller)
        : m_controller(controller)
    {
    }

    int ask(const Prompt& prompt) override
    {
        Prompt own = prompt;
        SidePanel* panel = m_controller.m_panel;
        if (!own.owner && panel && panel->isVisible())
            own.owner = panel;
        const QPointer<PopoverWindow> popover = m_controller.m_popover;
        const bool hold = popover && popover->isVisible() && !popover->isHeld();
        if (hold)
            popover->setHeld(true);
        const int answer = m_controller.prompter().ask(own);
        if (hold && popover)
            popover->setHeld(false);
        return answer;
    }

private:
    MenuBarController& m_controller;
};

MenuBarController::MenuBarController(Services services, AppSettings& settings, AppNavigation& navigation,
                                     ThemeManager& theme, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_settings(settings)
    , m_navigation(navigation)
    , m_theme(theme)
    , m_updateChecker(new UpdateChecker(m_services.platform, this))
    , m_panelPrompter(std::make_unique<PanelPrompter>(*this))
{
    registerQuickPanes();
}

MenuBarController::~MenuBarController()
{
    unsubscribe();
    delete m_menu.data();
    if (m_popover) {
        m_popover->disconnect(this);
        // The popover keeps nothing of the panel while the panel is deleted.
        m_popover->setCompanion(nullptr);
    }
    delete m_panel;
    delete m_popover;
}

// ---- Installation and subscriptions ----------------------------------------------------------

void MenuBarController::install(AppScanner& scanner, SystemCleaner& cleaner)
{
    const bool same = m_scanner == &scanner && m_cleaner == &cleaner && !m_subscriptions.isEmpty();
    m_scanner = &scanner;
    m_cleaner = &cleaner;
    if (!m_popover) {
        m_popover = new PopoverWindow;
        connect(m_popover, &PopoverWindow::dismissedOutside, this, [this] { m_outsideCloseAt = now(); });
        // However the preview goes, the panel goes with it and the next one is made.
        connect(m_popover, &PopoverWindow::hidden, this, [this] {
            m_navigation.setMenuCategory(std::nullopt);
            if (m_panel)
                m_panel->hide();
            prepareNextPreview();
        });
        if (m_panel)
            pairPanel();
    }
    if (!same) {
        unsubscribe();
        subscribe();
        delete m_next.data();
    }
    setStatusItemVisible(m_settings.showMenuBarPreview());
    prepareNextPreview();
}

void MenuBarController::subscribe()
{
    // Every reaction runs on a later turn of the event loop, never inside
    // the publisher's own setter, and once more with the current values.
    auto later = [this](auto* sender, auto signal, std::function<void()> react) {
        m_subscriptions << connect(sender, signal, this, react, Qt::QueuedConnection);
        QMetaObject::invokeMethod(this, react, Qt::QueuedConnection);
    };
    later(&m_settings, &AppSettings::showMenuBarPreviewChanged,
          [this] { setStatusItemVisible(m_settings.showMenuBarPreview()); });
    later(m_cleaner.data(), &SystemCleaner::orphanCountChanged, [this] { updateBadge(); });
    later(m_updateChecker, &UpdateChecker::itemsChanged, [this] { updateBadge(); });
    later(m_scanner.data(), &AppScanner::appsChanged, [this] { checkInBackground(); });
    later(&m_theme, &ThemeManager::revisionChanged, [this] { refreshTheme(); });
    for (QObject* engine : {static_cast<QObject*>(m_scanner.data()), static_cast<QObject*>(m_cleaner.data())})
        m_subscriptions << connect(engine, &QObject::destroyed, this, &MenuBarController::enginesGone);
}

void MenuBarController::unsubscribe()
{
    for (const QMetaObject::Connection& c : std::as_const(m_subscriptions))
        disconnect(c);
    m_subscriptions.clear();
}

void MenuBarController::checkInBackground()
{
    // Once, after the first list with applications, and not again while
    // the checker holds rows or is checking.
    if (m_scanner && !m_scanner->apps().isEmpty() && m_updateChecker->items().isEmpty()
        && !m_updateChecker->isChecking())
        m_updateChecker->checkAll(m_scanner->apps());
}

void MenuBarController::refreshTheme()
{
    if (m_panel)
        applyPanelChrome();
    if (isPopoverShown())
        showPopover();
}

void MenuBarController::enginesGone()
{
    // Nothing shown may outlive what it reads.
    closePopover();
    delete m_next.data();
    if (m_popover)
        m_popover->clearContent();
    if (m_panel)
        m_panel->clearContent();
}

// ---- The status item ----------------------------------------------------------------------------

void MenuBarController::setStatusItemVisible(bool visible)
{
    if (!visible) {
        closePopover();
        m_item.reset();
        m_badgeTitle.clear();
        return;
    }
    if (!m_item) {
        m_item = m_services.statusArea.addItem();
        m_item->setToolTip(toolTip());
        m_item->setClickHandler([this](StatusItem::Click click) { togglePopover(click); });
    }
    updateBadge();
}

void MenuBarController::updateBadge()
{
    if (!m_item)
        return;
    const QList<AppUpdateItem>& rows = m_updateChecker->items();
    const auto available = std::count_if(rows.cbegin(), rows.cend(),
                                         [](const AppUpdateItem& row) { return row.availability.isActionable(); });
    m_badgeTitle = statusglyph::badgeTitle(int(available));
    // The tray shows no text: the number is drawn on the glyph, in colours of its own, since
    // the panel may be dark or light.
    m_item->setImage(statusglyph::withBadge(m_badgeTitle, qApp ? qApp->devicePixelRatio() : 1.0));
}

void MenuBarController::togglePopover(StatusItem::Click click)
{
    if (click == StatusItem::Click::context) {
        showContextMenu();
        return;
    }
    if (!isPopoverShown()) {
        // The press that closed the popup was this very click on the item.
        const bool justClosed = m_outsideCloseAt && now() - *m_outsideCloseAt < reopenGuardMs;
        m_outsideCloseAt.reset();
        if (!justClosed)
            showPopover();
        return;
    }
    if (!m_pinned)
        closePopover();
}

void MenuBarController::showContextMenu()
{
    delete m_menu.data();
    auto* menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Open Tidewell"), this, &MenuBarController::openApp);
    menu->addAction(QStringLiteral("Preferences…"), standardOr(QKeySequence::Preferences, QKeySequence(Qt::CTRL | Qt::Key_Comma)),
                    this, &MenuBarController::openPrefs);
    menu->addSeparator();
    menu->addAction(m_settings.showMenuBarPreview() ? QStringLiteral("Hide Menu Bar Icon")
                                                    : QStringLiteral("Show Menu Bar Icon"),
                    this, &MenuBarController::toggleMenuBarPref);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit"), standardOr(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)), this,
                    &MenuBarController::quitApp);
    m_menu = menu;
    const QRect place = anchor();
    menu->popup(place.bottomLeft() + QPoint(0, 1));
}

QRect MenuBarController::anchor() const
{
    const QRect place = m_item ? m_item->geometry() : QRect();
    return place.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : place;
}

// ---- The popover ----------------------------------------------------------------------------

bool MenuBarController::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

MenuBarQuickPreview* MenuBarController::preview() const
{
    return m_popover ? qobject_cast<MenuBarQuickPreview*>(m_popover->content()) : nullptr;
}

MenuBarQuickPreview* MenuBarController::makePreview()
{
    const QuickPreviewSources sources{*m_scanner,  *m_cleaner, *m_updateChecker, m_settings,
                                      m_navigation, monitor(),  m_theme};
    return new MenuBarQuickPreview(sources, previewCallbacks(), m_pinned);
}

void MenuBarController::holdPreparedPreview(bool held)
{
    m_previewHeld = held;
    if (!held)
        prepareNextPreview();
}

void MenuBarController::prepareNextPreview()
{
    // Later, once the closing has been drawn; never while a preview is shown.
    QTimer::singleShot(0, this, [this] {
        if (m_previewHeld || m_next || isPopoverShown() || !m_popover || !m_scanner || !m_cleaner)
            return;
        MenuBarQuickPreview* next = makePreview();
        next->setParent(m_popover);
        next->hide();
        next->ensurePolished();
        m_next = next;
    });
}

void MenuBarController::showPopover()
{
    if (!m_item || !m_scanner || !m_cleaner || !m_popover)
        return;
    MenuBarQuickPreview* preview = m_next;
    m_next.clear();
    if (preview && preview->isPinned() != m_pinned) {
        delete preview;
        preview = nullptr;
    }
    m_popover->setPinned(m_pinned);
    m_popover->setContent(preview ? preview : makePreview());
    const QRect item = anchor();
    const std::optional<QRect> area = availableArea(item);
    const QRect frame = area ? placement::popover(m_popover->size(), item, *area)
                             : QRect(QPoint(item.left() + item.width() / 2 - m_popover->width() / 2, item.bottom() + 1),
                                     m_popover->size());
    m_popover->present(frame);
}

QuickPreviewCallbacks MenuBarController::previewCallbacks()
{
    QPointer<MenuBarController> self(this);
    QuickPreviewCallbacks c;
    c.onClose = [self] {
        if (self)
            self->closePopover();
    };
    c.onSelectCategory = [self](SidebarTab tab) {
        if (self && self->m_item)
            self->showCategoryPanel(tab);
    };
    c.onDismissCategory = [self] {
        if (self && self->m_panel)
            self->m_panel->hide();
    };
    c.onKeyboardOut = [self](KeyExit exit) { return self && self->lendKeyboardToPanel(exit); };
    c.onTogglePin = [self] {
        if (!self)
            return;
        self->m_pinned = !self->m_pinned;
        if (!self->isPopoverShown()) {
            self->m_popover->setPinned(self->m_pinned);
            return;
        }
        self->closePopover();
        self->showPopover();
    };
    return c;
}

void MenuBarController::closePopover()
{
    m_navigation.setMenuCategory(std::nullopt);
    if (isPopoverShown())
        m_popover->hide();  // hidden() prepares the next preview
    if (m_panel)
        m_panel->hide();
}

// ---- The side panel ---------------------------------------------------------------------------

CategoryQuickPanel* MenuBarController::categoryPanel() const
{
    return m_panel ? qobject_cast<CategoryQuickPanel*>(m_panel->content()) : nullptr;
}

QuickPaneEnvironment MenuBarController::paneEnvironment(SidebarTab tab)
{
    QPointer<MenuBarController> self(this);
    return {*m_scanner, *m_cleaner, *m_updateChecker, m_navigation, m_theme, monitor(), *m_panelPrompter, [self, tab] {
                if (!self)
                    return;
                self->m_navigation.openMainWindow(tab, false, false);
                self->closePopover();
            }};
}

void MenuBarController::showCategoryPanel(SidebarTab tab)
{
    m_navigation.setTab(tab);
    if (tab == SidebarTab::applications)
        m_navigation.setAppsSegment(AppsSegment::apps);
    if (!m_scanner || !m_cleaner)
        return;
    if (!m_panel) {
        m_panel = new SidePanel;
        connect(m_panel, &SidePanel::closed, this, [this] { m_navigation.setMenuCategory(std::nullopt); });
        if (m_popover)
            pairPanel();
    }
    m_panel->setContent(new CategoryQuickPanel(tab, paneEnvironment(tab)));
    applyPanelChrome();
    if (!m_panel->isVisible()) {
        // Beside the item and the preview, so that neither covers the other.
        const QRect item = anchor();
        const int m = PopoverWindow::margin();
        const std::optional<QRect> preview =
            isPopoverShown() ? std::optional(m_popover->geometry().adjusted(m, m, -m, -m)) : std::nullopt;
        m_panel->move(placement::sidePanel(m_panel->size(), item, preview, availableArea(item)).topLeft());
    }
    m_panel->show();
    m_panel->raise();
}

void MenuBarController::pairPanel()
{
    // Clicks on the panel are not clicks outside the preview; a pane that goes takes what the preview keeps of it.
    m_popover->setCompanion(m_panel);
    connect(m_panel, &SidePanel::contentGoing, m_popover, &PopoverWindow::companionPartGoing, Qt::UniqueConnection);
}

bool MenuBarController::lendKeyboardToPanel(KeyExit exit)
{
    if (!m_panel || !m_panel->isVisible() || !m_popover)
        return false;
    // Tab enters at the first stop (the panel's close button), Shift+Tab at
    // the last; a card opened from the keyboard, at its pane's first control.
    const QList<QWidget*> stops = keyfocus::tabStops(m_panel);
    QWidget* stop = exit == KeyExit::backward ? stops.value(stops.size() - 1) : stops.value(0);
    if (exit == KeyExit::intoPane) {
        const auto inPane = std::find_if(stops.begin(), stops.end(), [this](QWidget* w) {
            return m_panel->content() && m_panel->content()->isAncestorOf(w);
        });
        if (inPane != stops.end())
            stop = *inPane;
    }
    return m_popover->lendKeyboard(stop, exit == KeyExit::backward ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

void MenuBarController::applyPanelChrome()
{
    if (m_panel)
        m_panel->setChrome(panelChrome(m_theme.appearance(), AppTheme::appearance()));
}

QColor MenuBarController::panelChrome(AppAppearance managed, AppAppearance stored)
{
    if (managed == AppAppearance::classic)
        return AppTheme::panelBase(AppAppearance::classic);
    return AppTheme::cardFill(stored);
}

// ---- The context menu's actions ------------------------------------------------------------------

void MenuBarController::openApp()
{
    m_navigation.openMainWindow(std::nullopt, false, false);
    closePopover();
}

void MenuBarController::openPrefs()
{
    m_navigation.setShowPreferences(true);
    m_navigation.openMainWindow(std::nullopt, false, false);
    closePopover();
}

void MenuBarController::toggleMenuBarPref()
{
    // The setting stores itself; its subscription removes or creates the item.
    m_settings.setShowMenuBarPreview(!m_settings.showMenuBarPreview());
}

void MenuBarController::quitApp()
{
    if (m_services.quit)
        m_services.quit();
    else
        QCoreApplication::quit();
}

// ---- Services ---------------------------------------------------------------------------------

SystemMonitor& MenuBarController::monitor() const
{
    return m_services.monitor();
}

Prompter& MenuBarController::panelPrompter() const
{
    return *m_panelPrompter;
}

Prompter& MenuBarController::prompter() const
{
    static DialogPrompter fallback;
    return m_services.prompter ? m_services.prompter() : fallback;
}

qint64 MenuBarController::now() const
{
    const Clock& clock = m_services.clock ? *m_services.clock : m_services.platform.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock.monotonic()).count();
}

} // namespace tw
