#include "menubar/MenuBarQuickPreview.h"

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/updates/UpdateChecker.h"
#include "menubar/PopoverWindow.h"
#include "monitor/SystemMonitor.h"
#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/MonitorWidgets.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace tw {

namespace {

constexpr int kSide = 14;      // the cards' and the open button's inset from the frame
constexpr int kSpacing = 10;   // between cards

struct CardEntry {
    SidebarTab tab;
    const char* title;
    const char* symbol;
    PreviewCard::Figure figure;
};

// The cards in reading order: two rows of two, then the System card alone.
constexpr CardEntry kCards[] = {
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
    , m_header(isPinned)
{
    setObjectName(QStringLiteral("quickPreview"));
    setAccessibleName(QStringLiteral("Tidewell quick preview"));
    setFocusPolicy(Qt::TabFocus);
    for (const CardEntry& entry : kCards)
        m_cards.emplace_back(entry.tab, QString::fromUtf8(entry.title), QString::fromLatin1(entry.symbol), entry.figure);

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
    layoutParts();
}

void MenuBarQuickPreview::layoutParts()
{
    // The cards' figures decide their rows' heights.
    const int room = PopoverWindow::margin();
    m_header.setGeometry(QRect(room, room, contentWidth(), PreviewHeader::height()));
    const int left = room + kSide;
    const int inner = contentWidth() - 2 * kSide;
    const int half = (inner - kSpacing) / 2;
    int top = m_header.geometry().bottom() + 1 + 12;
    for (size_t i = 0; i < m_cards.size(); i += 2) {
        PreviewCard& first = m_cards[i];
        if (i + 1 == m_cards.size()) {
            first.setGeometry(QRect(left, top, inner, first.minimumHeight()));
            top += first.minimumHeight() + kSpacing;
            break;
        }
        PreviewCard& second = m_cards[i + 1];
        const int height = std::max(first.minimumHeight(), second.minimumHeight());
        first.setGeometry(QRect(left, top, half, height));
        second.setGeometry(QRect(left + inner - half, top, half, height));
        top += height + kSpacing;
    }
    top += kSide - kSpacing;
    m_open = QRect(left, top, inner, QFontMetrics(typescale::font(TextRole::rowTitle)).height() + 22);
    setFixedSize(contentWidth() + 2 * room, m_open.bottom() + 1 + kSide + room);
}

const PreviewCard& MenuBarQuickPreview::card(SidebarTab tab) const
{
    const auto it = std::find_if(m_cards.cbegin(), m_cards.cend(), [tab](const PreviewCard& c) { return c.tab() == tab; });
    Q_ASSERT(it != m_cards.cend());
    return *it;
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

void MenuBarQuickPreview::press(PreviewHeader::Button button)
{
    switch (button) {
    case PreviewHeader::Button::close:
        if (m_callbacks.onClose)
            m_callbacks.onClose();
        return;
    case PreviewHeader::Button::pin:
        if (m_callbacks.onTogglePin)
            m_callbacks.onTogglePin();
        return;
    case PreviewHeader::Button::preferences:
        openMainWindow(true);
        return;
    }
}

void MenuBarQuickPreview::openMainWindow()
{
    openMainWindow(false);
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

// ---- Figures and selection -------------------------------------------------------------------

void MenuBarQuickPreview::refresh()
{
    showFigures(PreviewFigures::read(m_sources.scanner, m_sources.cleaner, m_sources.updateChecker,
                                     m_sources.monitor.snapshot()));
}

void MenuBarQuickPreview::showSnapshot(const SystemSnapshot& snapshot)
{
    PreviewFigures f = m_figures;
    f.cpuPercent = snapshot.cpuPercent;
    f.memoryPercent = monitorstyle::usedPercent(double(snapshot.memoryUsed), double(snapshot.memoryTotal));
    showFigures(f);
}

void MenuBarQuickPreview::showFigures(const PreviewFigures& figures)
{
    // Only what changed is drawn again.
    m_figures = figures;
    if (m_header.setInstalledLine(figures.installedLine()))
        update(m_header.geometry());
    for (PreviewCard& c : m_cards)
        if (c.setFigures(figures))
            update(c.geometry());
}

void MenuBarQuickPreview::showSelection()
{
    const std::optional<SidebarTab> selected = m_sources.navigation.menuCategory();
    for (PreviewCard& c : m_cards)
        if (c.setSelected(selected == c.tab()))
            update(c.geometry());
}

// ---- Drawing -----------------------------------------------------------------------------------

QImage MenuBarQuickPreview::base(qreal dpr) const
{
    const AppAppearance a = AppTheme::appearance();
    const QString key = QStringLiteral("quickPreviewBase|%1|%2|%3")
                            .arg(rawValue(a))
                            .arg(m_header.isPinned())
                            .arg(m_header.installedLine());
    return neon::cachedImage(key, size(), dpr, [&](QPainter& p) {
        const int room = PopoverWindow::margin();
        PopoverWindow::paintChrome(p, QRectF(rect()).adjusted(room, room, -room, -room), a);
        m_header.paint(p, dpr);
    });
}

QImage MenuBarQuickPreview::openButton(qreal dpr) const
{
    const AppAppearance a = AppTheme::appearance();
    return neon::cachedImage(QStringLiteral("quickPreviewOpen|") + rawValue(a), m_open.size(), dpr, [&](QPainter& p) {
        const QRectF r(QPointF(0, 0), QSizeF(m_open.size()));
        neon::fillRoundedPath(p, r, 10, AppTheme::cardFill(a));
        p.setFont(typescale::font(TextRole::rowTitle));
        p.setPen(AppTheme::primaryText(a));
        p.drawText(r, Qt::AlignCenter, openButtonTitle());
    });
}

void MenuBarQuickPreview::paintEvent(QPaintEvent* event)
{
    const qreal dpr = devicePixelRatioF();
    const QRect region = event->rect();
    QPainter p(this);
    // The bottom layer over the cleared window: copied, not blended.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    neon::drawImage(p, QPointF(0, 0), base(dpr));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const PreviewCard& c : m_cards) {
        if (!region.intersects(c.geometry()))
            continue;
        p.setOpacity(m_press.isPressed(Part{Part::Kind::card, {}, c.tab()}) ? 0.85 : 1.0);
        neon::drawImage(p, c.geometry().topLeft(), c.picture(dpr));
    }
    if (region.intersects(m_open)) {
        p.setOpacity(m_press.isPressed(Part{Part::Kind::open}) ? 0.85 : 1.0);
        neon::drawImage(p, m_open.topLeft(), openButton(dpr));
    }
    const QList<Part> parts = keyParts();
    if (hasFocus() && m_keyPart >= 0 && m_keyPart < parts.size()) {
        const Part& part = parts[m_keyPart];
        p.setOpacity(1);
        const qreal radius = part.kind == Part::Kind::header ? focusring::kCapsule : part.kind == Part::Kind::card ? 12 : 10;
        focusring::paint(p, QRectF(rectOf(part)), radius, focusring::Placement::outside, AppTheme::appearance());
    }
}

// ---- Clicks ------------------------------------------------------------------------------------

std::optional<MenuBarQuickPreview::Part> MenuBarQuickPreview::partAt(const QPoint& point) const
{
    if (const std::optional<PreviewHeader::Button> b = m_header.buttonAt(point))
        return Part{Part::Kind::header, *b};
    for (const PreviewCard& c : m_cards)
        if (c.geometry().contains(point))
            return Part{Part::Kind::card, {}, c.tab()};
    if (m_open.contains(point))
        return Part{Part::Kind::open};
    return std::nullopt;
}

QRect MenuBarQuickPreview::rectOf(const Part& part) const
{
    switch (part.kind) {
    case Part::Kind::header: return m_header.buttonRect(part.button);
    case Part::Kind::card: return card(part.tab).geometry();
    case Part::Kind::open: return m_open;
    }
    return {};
}

void MenuBarQuickPreview::activate(const Part& part)
{
    switch (part.kind) {
    case Part::Kind::header: press(part.button); return;
    case Part::Kind::card: choose(part.tab); return;
    case Part::Kind::open: openMainWindow(false); return;
    }
}

void MenuBarQuickPreview::mousePressEvent(QMouseEvent* event)
{
    if (m_press.press(event, partAt(event->position().toPoint())))
        update(rectOf(*m_press.pressed()));
}

void MenuBarQuickPreview::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<Part> pressed = m_press.pressed();
    if (!pressed)
        return;
    update(rectOf(*pressed));
    if (const std::optional<Part> clicked = m_press.release(event, partAt(event->position().toPoint())))
        activate(*clicked);
}

// ---- Keyboard ----------------------------------------------------------------------------------

QList<MenuBarQuickPreview::Part> MenuBarQuickPreview::keyParts() const
{
    QList<Part> parts{Part{Part::Kind::header, PreviewHeader::Button::close},
                      Part{Part::Kind::header, PreviewHeader::Button::pin},
                      Part{Part::Kind::header, PreviewHeader::Button::preferences}};
    for (const PreviewCard& c : m_cards)
        parts << Part{Part::Kind::card, {}, c.tab()};
    parts << Part{Part::Kind::open};
    return parts;
}

QList<QRect> MenuBarQuickPreview::keyPartRects() const
{
    QList<QRect> rects;
    for (const Part& part : keyParts())
        rects << rectOf(part);
    return rects;
}

void MenuBarQuickPreview::moveKeyPart(int to)
{
    const QList<QRect> rects = keyPartRects();
    if (to < 0 || to >= rects.size())
        return;
    // The ring reaches a little beyond the part.
    const int reach = focusring::kReach + 1;
    if (m_keyPart >= 0 && m_keyPart < rects.size())
        focusring::changed(this, rects[m_keyPart].adjusted(-reach, -reach, reach, reach));
    m_keyPart = to;
    focusring::changed(this, rects[to].adjusted(-reach, -reach, reach, reach));
}

void MenuBarQuickPreview::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const int count = int(keyParts().size());
    // A window coming forward with nothing else to focus gives it the focus:
    // no part is marked before a key asks for one.
    if (event->reason() == Qt::BacktabFocusReason)
        moveKeyPart(count - 1);
    else if (event->reason() == Qt::TabFocusReason)
        moveKeyPart(0);
    else
        moveKeyPart(m_keyPart);
}

void MenuBarQuickPreview::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    moveKeyPart(m_keyPart);
}

void MenuBarQuickPreview::keyPressEvent(QKeyEvent* event)
{
    const QList<Part> parts = keyParts();
    const int key = event->key();
    if ((event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (m_keyPart < 0 || m_keyPart >= parts.size()) {
        // The first key shows where the keyboard is.
        if (arrow)
            moveKeyPart(0);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        const Part part = parts[m_keyPart];
        activate(part);
        // A card that opened its panel hands the keyboard to it.
        if (part.kind == Part::Kind::card && m_sources.navigation.menuCategory() == part.tab && m_callbacks.onKeyboardOut)
            m_callbacks.onKeyboardOut(KeyExit::intoPane);
    } else if (arrow) {
        moveKeyPart(keyfocus::nearestInDirection(keyPartRects(), m_keyPart, key));
    } else {
        QWidget::keyPressEvent(event);
    }
}

bool MenuBarQuickPreview::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab go round the parts (the popup holds nothing else),
    // through the side panel when one is shown.
    const int count = int(keyParts().size());
    if (m_keyPart == (next ? count - 1 : 0) && m_callbacks.onKeyboardOut
        && m_callbacks.onKeyboardOut(next ? KeyExit::forward : KeyExit::backward))
        return true;
    moveKeyPart(next ? (m_keyPart + 1) % count : (std::max(m_keyPart, 0) + count - 1) % count);
    return true;
}

bool MenuBarQuickPreview::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const std::optional<PreviewHeader::Button> b = m_header.buttonAt(help->pos());
        const QString text = b ? m_header.help(*b) : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this, m_header.buttonRect(*b));
        return true;
    }
    return QWidget::event(event);
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
