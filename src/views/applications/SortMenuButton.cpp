#include "views/applications/SortMenuButton.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Symbols.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr qreal kChevron = 10;
constexpr qreal kSpacing = 4;

QFont labelFont()
{
    return neon::systemFont(13, QFont::Medium);
}

} // namespace

SortMenuButton::SortMenuButton(QWidget* parent)
    : QAbstractButton(parent)
    , m_menu(new QMenu(this))
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (AppSort order : allCases<AppSort>())
        connect(m_menu->addAction(title(order)), &QAction::triggered, this, [this, order] { emit chosen(order); });
    // The menu opens below the label and does not hold the event loop.
    connect(this, &QAbstractButton::clicked, this, [this] { m_menu->popup(mapToGlobal(QPoint(0, height()))); });
    onThemeChange(this, [this] { update(); });
}

void SortMenuButton::setOrder(AppSort order)
{
    m_order = order;
    updateGeometry();
    update();
}

QSize SortMenuButton::sizeHint() const
{
    const QFontMetricsF m(labelFont());
    return {int(std::ceil(m.horizontalAdvance(title(m_order)) + kSpacing + kChevron)) + 4, int(std::ceil(m.height())) + 4};
}

void SortMenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.setOpacity(0.6);
    const QString label = title(m_order);
    const qreal textWidth = QFontMetricsF(labelFont()).horizontalAdvance(label);
    p.setFont(labelFont());
    p.setPen(primaryTextTint());
    p.drawText(QRectF(2, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, label);
    Symbols::paint(p, QRectF(2 + textWidth + kSpacing, 0, kChevron, height()),
                   Glyph{QStringLiteral("chevron.down"), kChevron, Tint::primary});
}

} // namespace tw
