#include "views/system/SystemWidgets.h"

#include "state/Colour.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr QSizeF kWell(150, 118);
constexpr QSizeF kPictureBox(128, 96);
constexpr qreal kShadowRadius = 6;
constexpr qreal kShadowDrop = 4;

int ceilHeight(const QFont& font)
{
    return int(std::ceil(QFontMetricsF(font).height()));
}

} // namespace

// ---- LineText ---------------------------------------------------------------------------------

LineText::LineText(TextRole text, Tint role, QWidget* parent)
    : QWidget(parent)
    , m_font(typescale::font(text))
    , m_role(role)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void LineText::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    if (!m_fillsWidth)
        updateGeometry();
    update();
}

void LineText::setFillsWidth(bool fills)
{
    m_fillsWidth = fills;
    setSizePolicy(fills ? QSizePolicy::Ignored : QSizePolicy::Preferred, QSizePolicy::Fixed);
    updateGeometry();
}

QSize LineText::sizeHint() const
{
    return {int(std::ceil(QFontMetricsF(m_font).horizontalAdvance(m_text))), ceilHeight(m_font)};
}

QSize LineText::minimumSizeHint() const
{
    return {0, ceilHeight(m_font)};
}

void LineText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(m_font);
    p.setPen(tintColour(m_role, AppTheme::appearance()));
    p.drawText(rect(), Mirror(*this).align(Qt::AlignLeft) | Qt::AlignVCenter, neon::elided(m_text, m_font, width()));
}

// ---- RowText ----------------------------------------------------------------------------------

namespace {
constexpr int kDot = 8;
constexpr int kRowGap = 8;
} // namespace

RowText::RowText(const QFont& leadingFont, Tint leadingRole, const QFont& trailingFont, Tint trailingRole,
                 QWidget* parent)
    : QWidget(parent)
    , m_leadingFont(leadingFont)
    , m_trailingFont(trailingFont)
    , m_leadingRole(leadingRole)
    , m_trailingRole(trailingRole)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(std::max(ceilHeight(leadingFont), ceilHeight(trailingFont)));
    onThemeChange(this, [this] { update(); });
}

void RowText::setLeading(const QString& text)
{
    if (text == m_leading)
        return;
    m_leading = text;
    update();
}

void RowText::setTrailing(const QString& text)
{
    if (text == m_trailing)
        return;
    m_trailing = text;
    update();
}

void RowText::setDot(const std::optional<QColor>& colour)
{
    if (m_hasDot && colour == m_dot)
        return;
    m_hasDot = true;
    m_dot = colour;
    update();
}

QColor RowText::dotColour() const
{
    return m_dot.value_or(AppTheme::accent());
}

QSize RowText::sizeHint() const
{
    const qreal w = QFontMetricsF(m_leadingFont).horizontalAdvance(m_leading)
        + QFontMetricsF(m_trailingFont).horizontalAdvance(m_trailing) + kRowGap + (m_hasDot ? kDot + kRowGap : 0);
    return {int(std::ceil(w)), height()};
}

QSize RowText::minimumSizeHint() const
{
    return {0, height()};
}

void RowText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const AppAppearance a = AppTheme::appearance();
    const Mirror m(*this);
    qreal x = 0;
    if (m_hasDot) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(dotColour());
        p.drawEllipse(m(QRectF(0, (height() - kDot) / 2.0, kDot, kDot)));
        x = kDot + kRowGap;
    }
    const qreal trailingWidth = QFontMetricsF(m_trailingFont).horizontalAdvance(m_trailing);
    p.setFont(m_trailingFont);
    p.setPen(tintColour(m_trailingRole, a));
    p.drawText(rect(), m.align(Qt::AlignRight) | Qt::AlignVCenter, text::leftToRight(m_trailing));
    const qreal room = width() - x - trailingWidth - kRowGap;
    p.setFont(m_leadingFont);
    p.setPen(tintColour(m_leadingRole, a));
    p.drawText(m(QRectF(x, 0, std::max<qreal>(0, room), height())), m.align(Qt::AlignLeft) | Qt::AlignVCenter,
               neon::elided(m_leading, m_leadingFont, room));
}

// ---- YearBadge --------------------------------------------------------------------------------

YearBadge::YearBadge(QWidget* parent)
    : QWidget(parent)
{
    setFont(typescale::font(TextRole::sectionHeader));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void YearBadge::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

QSize YearBadge::sizeHint() const
{
    return {int(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_text))) + 16, ceilHeight(font()) + 8};
}

void YearBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    neon::strokeRoundedRectInside(p, rect(), 6, 1, AppTheme::cardStroke(a));
    p.setPen(AppTheme::primaryText(a));
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

// ---- PictureWell ------------------------------------------------------------------------------

PictureWell::PictureWell(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kWell.toSize());
    onThemeChange(this, [this] { update(); });
}

QColor PictureWell::middleStop(AppAppearance a)
{
    switch (a) {
    case AppAppearance::classic:
        return rgb(0.90, 0.94, 1.00);
    case AppAppearance::indigo:
        return rgb(0.10, 0.14, 0.24);
    case AppAppearance::midnight:
        break;
    }
    return rgb(0.08, 0.16, 0.32);
}

void PictureWell::setPicture(const QImage& picture)
{
    if (picture.cacheKey() == m_picture.cacheKey())
        return;
    m_picture = picture;
    m_composed = {};
    if (!picture.isNull()) {
        const qreal dpr = std::max<qreal>(devicePixelRatioF(), 1);
        const QSizeF points = QSizeF(picture.size()) / picture.devicePixelRatio();
        const QSizeF fitted = points.scaled(kPictureBox, Qt::KeepAspectRatio);
        QImage body = picture.scaled((fitted * dpr).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        body.setDevicePixelRatio(dpr);
        const QImage shadow = neon::blurredTint(body, kShadowRadius, faded(Qt::black, 0.25));
        const qreal margin = neon::blurMargin(kShadowRadius) / dpr;
        m_composed = neon::transparentImage(QSizeF(shadow.size()) / dpr + QSizeF(0, kShadowDrop), dpr);
        QPainter p(&m_composed);
        p.drawImage(QPointF(0, kShadowDrop), shadow);
        p.drawImage(QPointF(margin, margin), body);
        m_composedAt = QPointF(kWell.width() / 2 - fitted.width() / 2 - margin,
                               kWell.height() / 2 - fitted.height() / 2 - margin);
    }
    update();
}

void PictureWell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    QLinearGradient g(QPointF(0, 0), QPointF(kWell.width(), kWell.height()));
    g.setColorAt(0, AppTheme::cardFill(a));
    g.setColorAt(0.5, middleStop(a));
    g.setColorAt(1, AppTheme::listBackground(a));
    p.fillPath(neon::roundedRect(rect(), 14), g);
    if (!m_composed.isNull()) {
        p.drawImage(m_composedAt, m_composed);
        return;
    }
    symbols::paint(p, rect(), tintedSymbol(QStringLiteral("laptopcomputer"), 44));
}

// ---- DividerLine ------------------------------------------------------------------------------

DividerLine::DividerLine(Qt::Orientation orientation, qreal opacity, QWidget* parent)
    : QWidget(parent)
    , m_opacity(opacity)
{
    if (orientation == Qt::Horizontal)
        setFixedHeight(1);
    else
        setFixedWidth(1);
    onThemeChange(this, [this] { update(); });
}

void DividerLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), faded(AppTheme::cardStroke(AppTheme::appearance()), m_opacity));
}

} // namespace tw
