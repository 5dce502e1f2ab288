#include "app/MainView.h"

#include "app/AppSettings.h"
#include "app/L10n.h"
#include "app/SharedState.h"
#include "app/ThemeWorkspace.h"
#include "app/WindowChrome.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;

// ---- Workspace factories ------------------------------------------------------------

namespace WorkspaceFactories {

namespace {
QHash<SidebarTab, Factory>& table()
{
    static QHash<SidebarTab, Factory> factories;
    return factories;
}
} // namespace

void set(SidebarTab tab, Factory factory)
{
    if (factory)
        table().insert(tab, std::move(factory));
    else
        table().remove(tab);
}

Factory get(SidebarTab tab)
{
    return table().value(tab);
}

} // namespace WorkspaceFactories

PendingWorkspace::PendingWorkspace(SidebarTab tab, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_tab(tab)
{
    setObjectName(QStringLiteral("pending-") + rawValue(tab));
}

SidebarGlyph glyphFor(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::applications: return SidebarGlyph::applications;
    case SidebarTab::startup: return SidebarGlyph::startup;
    case SidebarTab::updates: return SidebarGlyph::updates;
    case SidebarTab::extensions: return SidebarGlyph::extensions;
    case SidebarTab::network: return SidebarGlyph::network;
    case SidebarTab::system: return SidebarGlyph::system;
    case SidebarTab::theme: return SidebarGlyph::theme;
    }
    return SidebarGlyph::system;
}

// ---- MakerFooterButton ---------------------------------------------------------------

namespace {

QFont footerFont()
{
    return neon::systemFont(13, QFont::Bold, true);
}

constexpr int kFooterGlowRoom = 4;

void openExternal(const QUrl& url)
{
    // The result is not reported: nothing happens when nothing handles the link.
    if (SharedState* state = SharedState::current())
        state->platform().workspace().open(url);
}

} // namespace

MakerFooterButton::MakerFooterButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setText(QStringLiteral("marrowind"));
    setToolTip(Brand::websiteHost());
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [] { openExternal(Brand::websiteURL()); });
}

QColor MakerFooterButton::textColour(AppAppearance a)
{
    return faded(AppTheme::neonHighlight(a), 0.85);
}

QSize MakerFooterButton::sizeHint() const
{
    const QFontMetricsF m(footerFont());
    return {int(std::ceil(m.horizontalAdvance(text()))) + 2 * kFooterGlowRoom,
            int(std::ceil(m.height())) + 2 * kFooterGlowRoom};
}

void MakerFooterButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    QColor colour = textColour(a);
    if (isDown())
        colour = faded(colour, 0.7);
    neon::paintGlowingText(p, QRectF(rect()), Qt::AlignCenter, text(), footerFont(), colour,
                           {{faded(AppTheme::neonGlow(a), 0.45), 4, {0, 0}}});
}

// ---- IconSidebar -----------------------------------------------------------------------

IconSidebar::IconSidebar(AppNavigation& navigation, QWidget* parent)
    : QWidget(parent)
    , m_navigation(navigation)
    , m_panel(new NeonGlassPanel(this))
{
    setFixedWidth(sidebarWidth());
    QWidget* content = m_panel->content();
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 36, 12, 14);
    column->setSpacing(0);

    auto addPill = [&](const QString& title, SidebarGlyph glyph, bool selected) {
        auto* pill = new NeonPillButton(title, glyph, selected, content);
        pill->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        pill->setFixedHeight(NeonPillButton::pillHeight());
        column->addWidget(pill);
        return pill;
    };
    bool first = true;
    for (SidebarTab tab : columnTabs()) {
        if (!first)
            column->addSpacing(9);
        first = false;
        NeonPillButton* pill = addPill(pillTitle(tab), glyphFor(tab), navigation.tab() == tab);
        pill->setObjectName(QStringLiteral("pill-") + rawValue(tab));
        connect(pill, &QAbstractButton::clicked, this, [this, tab] { m_navigation.setTab(tab); });
        m_tabPills.append(pill);
    }
    column->addSpacing(12);
    column->addStretch(1);
    m_themePill = addPill(pillTitle(SidebarTab::theme), SidebarGlyph::theme, navigation.tab() == SidebarTab::theme);
    m_themePill->setObjectName(QStringLiteral("pill-theme"));
    connect(m_themePill, &QAbstractButton::clicked, this, [this] { m_navigation.setTab(SidebarTab::theme); });
    column->addSpacing(4);
    m_preferencesPill = addPill(L10n::t(QStringLiteral("common.preferences")), SidebarGlyph::settings, false);
    m_preferencesPill->setObjectName(QStringLiteral("pill-preferences"));
    connect(m_preferencesPill, &QAbstractButton::clicked, this, [this] { m_navigation.setShowPreferences(true); });

    // The footer keeps 12 points above and 6 below its text; its glow uses part of that.
    column->addSpacing(12 - kFooterGlowRoom);
    m_footer = new MakerFooterButton(content);
    column->addWidget(m_footer, 0, Qt::AlignHCenter);
    column->addSpacing(6 - kFooterGlowRoom);

    connect(&navigation, &AppNavigation::tabChanged, this, &IconSidebar::syncSelection);
}

QList<SidebarTab> IconSidebar::columnTabs()
{
    QList<SidebarTab> tabs;
    for (SidebarTab tab : allCases<SidebarTab>())
        if (tab != SidebarTab::system && tab != SidebarTab::theme)
            tabs << tab;
    tabs << SidebarTab::system;
    return tabs;
}

NeonPillButton* IconSidebar::pill(SidebarTab tab) const
{
    if (tab == SidebarTab::theme)
        return m_themePill;
    const QList<SidebarTab> tabs = columnTabs();
    const qsizetype i = tabs.indexOf(tab);
    return i < 0 ? nullptr : m_tabPills.value(i);
}

void IconSidebar::syncSelection()
{
    const QList<SidebarTab> tabs = columnTabs();
    for (qsizetype i = 0; i < tabs.size(); ++i)
        m_tabPills[i]->setSelected(m_navigation.tab() == tabs[i]);
    m_themePill->setSelected(m_navigation.tab() == SidebarTab::theme);
}

void IconSidebar::resizeEvent(QResizeEvent*)
{
    m_panel->setCardGeometry(QRect(10, 12, width() - 20, std::max(0, height() - 22)));
}

// ---- MainView -------------------------------------------------------------------------

namespace {

// The workspace side of the window: its flat background and the workspace.
class WorkspaceArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        neon::fillRect(p, rect(), MainView::workspaceBackground(AppTheme::appearance()));
    }
    void resizeEvent(QResizeEvent*) override
    {
        for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            child->setGeometry(rect());
    }
};

} // namespace

MainView::MainView(const WorkspaceEnvironment& env, QWidget* parent)
    : QWidget(parent)
    , m_env(env)
    , m_glass(new ThemeGlassBackground(this))
    , m_body(new QWidget(m_glass))
    , m_sidebar(new IconSidebar(env.navigation, m_body))
    , m_workspaceArea(new WorkspaceArea(m_body))
{
    GlowHost::mark(m_body);
    m_lastAppCount = env.scanner.apps().size();
    m_scanFallback.setSingleShot(true);
    m_scanFallback.setInterval(1000);
    connect(&m_scanFallback, &QTimer::timeout, this, &MainView::startPendingScan);

    auto* row = new QHBoxLayout(m_body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_sidebar);
    row->addWidget(m_workspaceArea, 1);

    connect(&env.navigation, &AppNavigation::tabChanged, this, &MainView::showTab);
    connect(&env.scanner, &AppScanner::appsChanged, this, &MainView::applicationCountMayHaveChanged);
    connect(&env.theme, &ThemeManager::appearanceChanged, this, [this] { update(); });
    showTab(env.navigation.tab());
}

QColor MainView::workspaceBackground(AppAppearance a)
{
    return faded(AppTheme::panelBase(a), a == AppAppearance::classic ? 0.55 : 0.72);
}

std::pair<QSet<QString>, QSet<QString>> MainView::knownApplications(const QList<AppInfoPtr>& apps)
{
    QSet<QString> ids;
    QSet<QString> names;
    auto add = [&](const AppInfo& app) {
        ids.insert(app.bundleIdentifier());
        names.insert(app.name());
    };
    for (const AppInfoPtr& app : apps) {
        if (!app)
            continue;
        if (app->isGroup()) {
            for (const AppInfoPtr& member : app->members())
                if (member)
                    add(*member);
        } else {
            add(*app);
        }
    }
    return {ids, names};
}

void MainView::showTab(SidebarTab tab)
{
    // Only the selected tab's workspace exists; it starts afresh each time.
    delete m_workspace.data();
    m_shownTab = tab;
    QWidget* w = makeWorkspace(tab);
    w->setParent(m_workspaceArea);
    w->setGeometry(m_workspaceArea->rect());
    w->show();
    m_workspace = w;
}

QWidget* MainView::makeWorkspace(SidebarTab tab)
{
    if (tab == SidebarTab::theme)
        return new ThemeWorkspace(m_env.theme);
    if (const WorkspaceFactories::Factory factory = WorkspaceFactories::get(tab))
        if (QWidget* w = factory(m_env))
            return w;
    return new PendingWorkspace(tab);
}

void MainView::showEvent(QShowEvent* event)
{
    if (event->spontaneous())
        return;
    // The scan waits for the first paint, so the window appears before any discovery work.
    m_scanPending = true;
    m_scanFallback.start();
    update();
}

void MainView::paintEvent(QPaintEvent*)
{
    if (m_scanPending)
        QTimer::singleShot(0, this, &MainView::startPendingScan);
}

void MainView::startPendingScan()
{
    if (!m_scanPending)
        return;
    m_scanPending = false;
    m_scanFallback.stop();
    m_env.scanner.scanInstalledApps();
    emit applicationScanStarted();
}

void MainView::applicationCountMayHaveChanged()
{
    const qsizetype n = m_env.scanner.apps().size();
    if (n == m_lastAppCount)
        return;
    m_lastAppCount = n;
    if (n < 1 || !m_env.cleaner.remainingFiles().isEmpty() || m_env.cleaner.isScanningRemaining())
        return;
    const auto [ids, names] = knownApplications(m_env.scanner.apps());
    m_env.cleaner.scanRemainingFiles(ids, names, Rescan::IfIdle);
}

void MainView::resizeEvent(QResizeEvent*)
{
    // The body lies inside the glass, so the glass skips what opaque parts
    // of the body (the neon borders' bands) paint themselves.
    m_glass->setGeometry(rect());
    m_body->setGeometry(m_glass->rect());
}

} // namespace tw
