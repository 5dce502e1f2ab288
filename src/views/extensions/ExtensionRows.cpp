#include "views/extensions/ExtensionRows.h"

#include "views/extensions/ExtensionLook.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/CardText.h"
#include "views/kit/IconView.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TextLines.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

namespace {

constexpr qreal kBadge = 36;
constexpr qreal kIcon = 28;
constexpr qreal kCheckbox = 18;
constexpr CardText kText{2};

qreal advance(const QString& text, const QFont& f) { return QFontMetricsF(f).horizontalAdvance(text); }

} // namespace

// ---- ExtensionCategoryRow ---------------------------------------------------------------

ExtensionCategoryRow::ExtensionCategoryRow(ExtensionCategoryKind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    keyfocus::makeStop(this, 8);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(displayName(kind));
    onThemeChange(this, [this] { update(); });
}

void ExtensionCategoryRow::setFigures(int count, std::int64_t totalSize)
{
    if (count == m_count && totalSize == m_totalSize)
        return;
    m_count = count;
    m_totalSize = totalSize;
    update();
}

void ExtensionCategoryRow::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QString ExtensionCategoryRow::countText() const { return extensionsview::countText(m_count); }

QString ExtensionCategoryRow::sizeText() const { return extensionsview::kindSizeText(m_count, m_totalSize); }

QSize ExtensionCategoryRow::sizeHint() const { return {300, rowHeight()}; }

void ExtensionCategoryRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    const QColor accent = accentTint();
    if (m_selected) {
        neon::fillRoundedPath(p, r, 8, faded(accent, 0.12));
        neon::strokeRoundedPathInside(p, r, 8, 1, faded(accent, 0.35));
    }
    if (isDown())
        p.setOpacity(0.75);

    // Padding 12 by 10; badge, texts, size and chevron 12 points apart.
    const Mirror m(*this);
    const qreal left = 12, right = r.width() - 12;
    const QRectF badge = m(QRectF(left, (r.height() - kBadge) / 2, kBadge, kBadge));
    p.setPen(Qt::NoPen);
    p.setBrush(extensionsview::kindColour(m_kind));
    p.drawEllipse(badge);
    symbols::paint(p, badge.adjusted(9, 9, -9, -9), {extensionsview::kindSymbol(m_kind), 15, Tint::white});

    const qreal chevronSide = 11;
    const QRectF chevron(right - chevronSide, (r.height() - chevronSide) / 2, chevronSide, chevronSide);
    symbols::paint(p, m(chevron), {m.forwardChevron(), chevronSide, Tint::secondary, 0.6});

    const QFont sizeFont = typescale::font(TextRole::callout);
    const QString size = sizeText();
    const qreal sizeRight = chevron.left() - 12;
    const qreal sizeWidth = std::ceil(advance(size, sizeFont));
    p.setFont(sizeFont);
    p.setPen(secondaryTint());
    p.drawText(m(QRectF(sizeRight - sizeWidth, 0, sizeWidth, r.height())), m.align(Qt::AlignRight) | Qt::AlignVCenter,
               text::leftToRight(size));

    const qreal textLeft = left + kBadge + 12;
    const QRectF texts(textLeft, 0, std::max<qreal>(0, sizeRight - sizeWidth - 4 - textLeft), r.height());
    // The name gives up a point or two of size (whole pixels) before it is cut short.
    const QString name = displayName(m_kind);
    QFont nameFont = typescale::font(TextRole::rowTitle);
    for (int points = 12; points >= 11 && advance(name, nameFont) > texts.width(); --points)
        nameFont = typescale::resized(TextRole::rowTitle, points);
    kText.paint(p, m, texts, {{name, nameFont, primaryTextTint()}, CardLine::caption(countText())});
}

// ---- ExtensionItemRow ----------------------------------------------------------------------

ExtensionItemRow::ExtensionItemRow(Actions actions, QWidget* parent)
    : ClickableRow(parent)
    , m_actions(std::move(actions))
    , m_checkbox(new AppKitCheckbox(this))
    , m_reveal(new SymbolButton({QStringLiteral("info.circle"), 13, Tint::secondary}, this))
    , m_icon(new IconView(kIcon, 6, this))
{
    m_reveal->setToolTip(QStringLiteral("Reveal in Finder"));
    m_icon->setFallback(Glyph{QStringLiteral("puzzlepiece.extension.fill"), kIcon * 0.8, Tint::accent});
    m_checkbox->bind({[this] { return isSelected(); }, [this](bool) { m_actions.toggle(m_item.path); }});
    connect(m_reveal, &QAbstractButton::clicked, this, [this] { m_actions.reveal(m_item.path); });
    connect(this, &ClickableRow::clicked, this, [this] {
        if (!m_item.path.isEmpty())
            m_actions.toggle(m_item.path);
    });
    onThemeChange(this, [this] { update(); });
}

void ExtensionItemRow::bind(const RemovableItem& item)
{
    m_item = item;
    m_icon->setIcon(item.icon);
    m_checkbox->refresh();
    update();
}

void ExtensionItemRow::refresh()
{
    m_checkbox->refresh();
    update();
}

bool ExtensionItemRow::isSelected() const { return !m_item.path.isEmpty() && m_actions.isSelected(m_item.path); }

QString ExtensionItemRow::sizeText() const { return extensionsview::itemSizeText(m_item.size); }

QColor ExtensionItemRow::background(AppAppearance a)
{
    switch (a) {
    case AppAppearance::classic: return QColor(Qt::white);
    case AppAppearance::indigo: return rgb(0.07, 0.10, 0.17);
    case AppAppearance::midnight: break;
    }
    return rgb(0.07, 0.12, 0.22);
}

void ExtensionItemRow::resizeEvent(QResizeEvent*)
{
    // Padding 16 by 8; check box, reveal button, icon and texts 10 points apart.
    const Mirror m(*this);
    const int cy = height() / 2;
    const int box = int(kCheckbox);
    m.place(m_checkbox, QRect(16, cy - box / 2, box, box));
    const QSize reveal = m_reveal->sizeHint();
    const int revealLeft = 16 + box + 10;
    m.place(m_reveal, QRect(QPoint(revealLeft, cy - reveal.height() / 2), reveal));
    m.place(m_icon, QRect(revealLeft + reveal.width() + 10, cy - int(kIcon) / 2, int(kIcon), int(kIcon)));
}

QRectF ExtensionItemRow::textRect() const
{
    const qreal left = 16 + kCheckbox + 10 + m_reveal->sizeHint().width() + 10 + kIcon + 10;
    const qreal sizeWidth = std::ceil(advance(sizeText(), typescale::font(TextRole::callout)));
    return QRectF(left, 0, std::max<qreal>(0, width() - 16 - sizeWidth - 6 - left), height());
}

void ExtensionItemRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    neon::fillRect(p, rect(), isSelected() ? faded(accentTint(a), 0.06) : background(a));

    const Mirror m(*this);
    const QFont sizeFont = typescale::font(TextRole::callout);
    p.setFont(sizeFont);
    p.setPen(secondaryTint(a));
    p.drawText(m(QRectF(0, 0, width() - 16, height())), m.align(Qt::AlignRight) | Qt::AlignVCenter,
               text::leftToRight(sizeText()));
    kText.paint(p, m, textRect(), {CardLine::title(m_item.title), CardLine::caption(text::leftToRight(m_item.subtitle))});
}

// ---- ExtensionGroupHeader ------------------------------------------------------------------

ExtensionGroupHeader::ExtensionGroupHeader(QWidget* parent)
    : QWidget(parent)
    , m_chevron(new SymbolButton({QStringLiteral("chevron.down"), 11, Tint::accent}, this))
    , m_checkbox(new AppKitCheckbox(this))
{
    m_chevron->setFixedSize(16, 24);
    connect(m_chevron, &QAbstractButton::clicked, this, [this] {
        if (m_actions.toggleCollapsed)
            m_actions.toggleCollapsed();
    });
    onThemeChange(this, [this] { update(); });
    Mirror::resizeOnDirectionChange(this);
}

void ExtensionGroupHeader::bind(const QString& name, bool collapsed, Actions actions)
{
    m_name = name;
    m_collapsed = collapsed;
    m_actions = std::move(actions);
    bindChevron();
    m_checkbox->bind({m_actions.isSelected, m_actions.setSelected});
    update();
}

void ExtensionGroupHeader::refresh() { m_checkbox->refresh(); }

void ExtensionGroupHeader::setFolded(int, bool folded)
{
    if (folded != m_collapsed && m_actions.toggleCollapsed)
        m_actions.toggleCollapsed();
}

void ExtensionGroupHeader::bindChevron()
{
    m_chevron->setGlyph({m_collapsed ? Mirror(*this).forwardChevron() : QStringLiteral("chevron.down"), 11, Tint::accent});
}

QColor ExtensionGroupHeader::background(AppAppearance a)
{
    switch (a) {
    case AppAppearance::classic: return rgb(0.95, 0.96, 0.97, 0.65);
    case AppAppearance::indigo: return rgb(0.03, 0.04, 0.08, 0.65);
    case AppAppearance::midnight: break;
    }
    return rgb(0.05, 0.08, 0.14, 0.65);
}

void ExtensionGroupHeader::resizeEvent(QResizeEvent*)
{
    // Padding 16 by 8; chevron, check box and name 8 points apart.
    const Mirror m(*this);
    const int cy = height() / 2;
    m.place(m_chevron, QRect(QPoint(16, cy - m_chevron->height() / 2), m_chevron->size()));
    m.place(m_checkbox, QRect(16 + m_chevron->width() + 8, cy - int(kCheckbox) / 2, int(kCheckbox), int(kCheckbox)));
}

void ExtensionGroupHeader::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        bindChevron();
}

QRectF ExtensionGroupHeader::nameRect() const
{
    const QFont f = typescale::font(TextRole::rowTitle);
    const qreal left = 16 + m_chevron->width() + 8 + kCheckbox + 8;
    const qreal w = std::min(std::ceil(advance(m_name, f)), std::max<qreal>(0, width() - 16 - left));
    return Mirror(*this)(QRectF(left, 0, w, height()));
}

void ExtensionGroupHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const AppAppearance a = AppTheme::appearance();
    neon::fillRect(p, rect(), background(a));
    const QFont f = typescale::font(TextRole::rowTitle);
    p.setFont(f);
    p.setPen(primaryTextTint(a));
    const QRectF r = nameRect();
    p.drawText(r, Mirror(*this).align(Qt::AlignLeft) | Qt::AlignVCenter, neon::elided(m_name, f, r.width() + 1));
}

void ExtensionGroupHeader::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton && nameRect().contains(event->position()));
}

void ExtensionGroupHeader::mouseReleaseEvent(QMouseEvent* event)
{
    // A tap on the name folds, as the chevron does.
    if (event->button() == Qt::LeftButton && nameRect().contains(event->position()) && m_actions.toggleCollapsed)
        m_actions.toggleCollapsed();
}

// ---- ExtensionEmptyView ---------------------------------------------------------------------

ExtensionEmptyView::ExtensionEmptyView(QWidget* parent)
    : QWidget(parent)
{
    onThemeChange(this, [this] { update(); });
}

void ExtensionEmptyView::setKind(ExtensionCategoryKind kind)
{
    m_kind = kind;
    update();
}

QString ExtensionEmptyView::text() const { return extensionsview::emptyText(m_kind); }

void ExtensionEmptyView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal symbol = 40;
    const QFont f = typescale::font(TextRole::body);
    const qreal textHeight = QFontMetricsF(f).height();
    const qreal top = (height() - symbol - 10 - textHeight) / 2;
    const AppAppearance a = AppTheme::appearance();
    symbols::paint(p, QRectF((width() - symbol) / 2, top, symbol, symbol),
                   {extensionsview::kindSymbol(m_kind), symbol, Tint::accent, 0.7});
    p.setFont(f);
    p.setPen(secondaryTint(a));
    p.drawText(QRectF(0, top + symbol + 10, width(), textHeight), Qt::AlignCenter,
               neon::elided(text(), f, width() - 24));
}

} // namespace tw
