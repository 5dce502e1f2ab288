#include "app/MainView.h"

#include "app/IconSidebar.h"
#include "app/ThemeGlassBackground.h"
#include "app/Workspaces.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "state/AppNavigation.h"
#include "views/kit/Glow.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/PendingWorkspace.h"

#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>
#include <QHBoxLayout>

namespace tw {

using neon::faded;

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
    glowhost::mark(m_body);
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
    keyfocus::markPane(w);
    w->setParent(m_workspaceArea);
    w->setGeometry(m_workspaceArea->rect());
    w->show();
    m_workspace = w;
}

QWidget* MainView::makeWorkspace(SidebarTab tab)
{
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
