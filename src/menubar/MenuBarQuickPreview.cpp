#include "menubar/MenuBarQuickPreview.h"

#include "app/state/AppNavigation.h"
#include "app/state/AppSettings.h"
#include "app/state/Theme.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/updates/UpdateChecker.h"
#include "menubar/PreviewCard.h"
#include "menubar/PreviewHeader.h"
#include "monitor/SystemMonitor.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonPaint.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tw {

namespace {

// "Open Tidewell": the title across the full width on a rounded card.
class OpenButton : public QAbstractButton {
public:
    explicit OpenButton(QWidget* parent)
        : QAbstractButton(parent)
    {
        setText(QStringLiteral("Open %1").arg(QStringLiteral("Tidewell")));
        setAccessibleName(text());
        setFont(neon::systemFont(13, QFont::DemiBold));
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {312, fontMetrics().height() + 22}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isDown())
            p.setOpacity(0.85);
        neon::fillRoundedPath(p, rect(), 10, AppTheme::cardFill());
        p.setFont(font());
        p.setPen(AppTheme::primaryText());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

struct CardSpec {
    SidebarTab tab;
    const char* title;
    const char* symbol;
    PreviewCard::Figure figure;
};

// The cards in reading order: two rows of two, then the System card alone.
constexpr CardSpec kCards[] = {
    {SidebarTab::applications, "Applications", "a.square.fill", PreviewCard::Figure::size},
    {SidebarTab::updates, "App updates", "arrow.triangle.2.circlepath", PreviewCard::Figure::updates},
    {SidebarTab::startup, "Startup apps", "airplane", PreviewCard::Figure::startup},
    {SidebarTab::network, "Network access", "globe", PreviewCard::Figure::network},
    {SidebarTab::system, "System", "speedometer", PreviewCard::Figure::system},
};

} // namespace

MenuBarQuickPreview::MenuBarQuickPreview(const QuickPreviewSources& sources, QuickPreviewCallbacks callbacks,
                                         bool isPinned, QWidget* parent)
    : QWidget(parent)
    , m_sources(sources)
    , m_callbacks(std::move(callbacks))
    , m_pinned(isPinned)
    , m_header(new PreviewHeader(isPinned, this))
{
    setObjectName(QStringLiteral("quickPreview"));
    setFixedWidth(contentWidth());
    GlowHost::mark(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(makeCards());
    auto* openRow = new QVBoxLayout;
    openRow->setContentsMargins(14, 14, 14, 14);
    m_open = new OpenButton(this);
    openRow->addWidget(m_open);
    column->addLayout(openRow);

    connect(m_header->closeButton(), &QAbstractButton::clicked, this, [this] {
        if (m_callbacks.onClose)
            m_callbacks.onClose();
    });
    connect(m_header->pinButton(), &QAbstractButton::clicked, this, [this] {
        if (m_callbacks.onTogglePin)
            m_callbacks.onTogglePin();
    });
    connect(m_header->preferencesButton(), &QAbstractButton::clicked, this, [this] { openMainWindow(true); });
    connect(m_open, &QAbstractButton::clicked, this, [this] { openMainWindow(false); });

    // Whatever a figure depends on.
    auto reread = [this] { refresh(); };
    connect(&m_sources.scanner, &AppScanner::appsChanged, this, reread);
    connect(&m_sources.scanner, &AppScanner::leftoversPrefetched, this, reread);
    connect(&m_sources.cleaner, &SystemCleaner::startupItemsChanged, this, reread);
    connect(&m_sources.cleaner, &SystemCleaner::orphanCountChanged, this, reread);
    connect(&m_sources.updateChecker, &UpdateChecker::itemsChanged, this, reread);
    connect(&m_sources.monitor, &SystemMonitor::snapshotChanged, this,
            [this] { showSnapshot(m_sources.monitor.snapshot()); });
    connect(&m_sources.navigation, &AppNavigation::menuCategoryChanged, this, &MenuBarQuickPreview::showSelection);
    connect(&m_sources.theme, &ThemeManager::appearanceChanged, this, [this] { update(); });
    refresh();
    showSelection();
}

QWidget* MenuBarQuickPreview::makeCards()
{
    auto* block = new QWidget(this);
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(14, 12, 14, 0);
    grid->setSpacing(10);
    int index = 0;
    for (const CardSpec& spec : kCards) {
        auto* card = new PreviewCard(spec.tab, QString::fromUtf8(spec.title), QString::fromLatin1(spec.symbol),
                                     spec.figure, block);
        const int row = index / 2;
        if (spec.tab == SidebarTab::system)
            grid->addWidget(card, row, 0, 1, 2);
        else
            grid->addWidget(card, row, index % 2);
        connect(card, &QAbstractButton::clicked, this, [this, tab = spec.tab] { choose(tab); });
        m_cards.insert(spec.tab, card);
        ++index;
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return block;
}

void MenuBarQuickPreview::choose(SidebarTab tab)
{
    AppNavigation& navigation = m_sources.navigation;
    if (navigation.menuCategory() == tab) {
        navigation.setMenuCategory(std::nullopt);
        if (m_callbacks.onDismissCategory)
            m_callbacks.onDismissCategory();
        return;
    }
    navigation.setMenuCategory(tab);
    if (m_callbacks.onSelectCategory)
        m_callbacks.onSelectCategory(tab);
}

void MenuBarQuickPreview::refresh()
{
    showFigures(PreviewFigures::read(m_sources.scanner, m_sources.cleaner, m_sources.updateChecker,
                                     m_sources.monitor.snapshot()));
}

void MenuBarQuickPreview::showSnapshot(const SystemSnapshot& snapshot)
{
    PreviewFigures f = m_figures;
    f.cpuPercent = snapshot.cpuPercent;
    f.memoryPercent = usedPercent(double(snapshot.memoryUsed), double(snapshot.memoryTotal));
    showFigures(f);
}

void MenuBarQuickPreview::showFigures(const PreviewFigures& figures)
{
    m_figures = figures;
    m_header->setInstalledLine(figures.installedLine());
    for (PreviewCard* card : std::as_const(m_cards))
        card->setFigures(figures);
}

void MenuBarQuickPreview::showSelection()
{
    const std::optional<SidebarTab> selected = m_sources.navigation.menuCategory();
    for (PreviewCard* card : std::as_const(m_cards))
        card->setSelected(selected == card->tab());
}

void MenuBarQuickPreview::openMainWindow(bool preferences)
{
    // The flag first: the window shows the sheet as it comes forward.
    if (preferences)
        m_sources.navigation.setShowPreferences(true);
    m_sources.navigation.openMainWindow(std::nullopt, false, false);
    if (m_callbacks.onClose)
        m_callbacks.onClose();
}

void MenuBarQuickPreview::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    GlowHost::paint(this, p, event->region());
}

void MenuBarQuickPreview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Work starts only for lists that are still empty; a startup scan
    // already running is not started twice.
    SystemCleaner& cleaner = m_sources.cleaner;
    if (cleaner.startupItems().isEmpty() && !cleaner.isScanningStartup())
        cleaner.scanStartupItems();
    if (m_sources.updateChecker.items().isEmpty() && !m_sources.scanner.apps().isEmpty())
        m_sources.updateChecker.checkAll(m_sources.scanner.apps());
}

} // namespace tw
