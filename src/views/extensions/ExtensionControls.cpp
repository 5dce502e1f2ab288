#include "views/extensions/ExtensionControls.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Symbols.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tw::extensions {

namespace {

constexpr qreal kRadius = 8;
constexpr qreal kChevron = 9;
constexpr qreal kChevronGap = 4;

QFont menuFont() { return neon::systemFont(13, QFont::Normal); }

} // namespace

// ---- Divider ----------------------------------------------------------------------------------

Divider::Divider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

QColor Divider::colour() { return neon::faded(secondaryTint(), 0.35); }

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour());
}

// ---- ProminentButton --------------------------------------------------------------------------

ProminentButton::ProminentButton(const QString& title, qreal points, QFont::Weight weight, QWidget* parent)
    : QAbstractButton(parent)
    , m_font(neon::systemFont(points, weight))
{
    setText(title);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    onThemeChange(this, [this] { update(); });
}

QColor ProminentButton::fillColour() const
{
    return isEnabled() ? accentTint() : neon::faded(neon::rgb(0.56, 0.56, 0.58), 0.35);
}

QSize ProminentButton::sizeHint() const
{
    const QFontMetricsF m(m_font);
    return {int(std::ceil(m.horizontalAdvance(text()))) + 28, int(std::ceil(m.height())) + 12};
}

void ProminentButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

void ProminentButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first click of the pair has acted already.
    event->accept();
}

void ProminentButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor fill = fillColour();
    neon::fillRoundedPath(p, r, kRadius, isDown() ? fill.darker(115) : fill);
    p.setFont(m_font);
    p.setPen(isEnabled() ? QColor(Qt::white) : neon::faded(Qt::white, 0.75));
    p.drawText(r, Qt::AlignCenter, text());
}

// ---- MenuButton -------------------------------------------------------------------------------

MenuButton::MenuButton(const QStringList& choices, QWidget* parent)
    : QAbstractButton(parent)
    , m_choices(choices)
    , m_menu(new QMenu(this))
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < choices.size(); ++i)
        connect(m_menu->addAction(choices[i]), &QAction::triggered, this, [this, i] { emit chosen(i); });
    // Opens below the label without holding the event loop.
    connect(this, &QAbstractButton::clicked, this, [this] { m_menu->popup(mapToGlobal(QPoint(0, height()))); });
    onThemeChange(this, [this] { update(); });
}

void MenuButton::setCurrent(int index)
{
    if (index == m_current || index < 0 || index >= m_choices.size())
        return;
    m_current = index;
    updateGeometry();
    update();
}

QSize MenuButton::sizeHint() const
{
    const QFontMetricsF m(menuFont());
    qreal widest = 0;
    for (const QString& choice : m_choices)
        widest = std::max(widest, m.horizontalAdvance(choice));
    return {int(std::ceil(widest + kChevronGap + kChevron)) + 4, int(std::ceil(m.height())) + 4};
}

void MenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.setOpacity(0.6);
    const QString label = m_choices.value(m_current);
    const qreal textWidth = QFontMetricsF(menuFont()).horizontalAdvance(label);
    // Right-aligned, so the chevron keeps its place whichever title shows.
    const qreal left = width() - 2 - kChevron - kChevronGap - textWidth;
    p.setFont(menuFont());
    p.setPen(primaryTextTint());
    p.drawText(QRectF(left, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, label);
    Symbols::paint(p, QRectF(width() - 2 - kChevron, 0, kChevron, height()),
                   Glyph{QStringLiteral("chevron.down"), kChevron, Tint::primary});
}

} // namespace tw::extensions
