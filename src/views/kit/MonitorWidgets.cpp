#include "views/kit/MonitorWidgets.h"

#include "views/kit/NeonPaint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr int kCardPadding = 14;
constexpr int kCardSpacing = 12;
constexpr qreal kRingPadding = 8;
constexpr qreal kRingStroke = 14;

QFont cardTitleFont()
{
    return neon::systemFont(13, QFont::DemiBold);
}

int cardTitleHeight()
{
    return int(std::ceil(QFontMetricsF(cardTitleFont()).height()));
}

} // namespace

namespace MonitorStyle {

QColor gaugeTrack(AppAppearance a)
{
    return faded(AppTheme::cardStroke(a), 0.45);
}

void paintPanel(QPainter& p, const QRectF& rect, AppAppearance a)
{
    neon::fillRoundedRect(p, rect, panelRadius, AppTheme::cardFill(a));
    neon::strokeRoundedRectInside(p, rect, panelRadius, 1, AppTheme::cardStroke(a));
}

double fraction(double percent)
{
    // NaN fails the comparison and reads 0.
    return percent >= 0 ? std::min(percent, 100.0) / 100.0 : 0.0;
}

} // namespace MonitorStyle

// ---- MonitorText --------------------------------------------------------------------------

MonitorText::MonitorText(qreal points, QFont::Weight weight, Role role, QWidget* parent)
    : QLabel(parent)
    , m_role(role)
{
    setFont(neon::systemFont(points, weight));
    setTextFormat(Qt::PlainText);
    applyColour();
    onThemeChange(this, [this] { applyColour(); });
}

void MonitorText::setRole(Role role)
{
    if (role == m_role)
        return;
    m_role = role;
    applyColour();
}

void MonitorText::setFixedColour(const QColor& colour)
{
    if (m_role == Role::fixed && colour == m_fixed)
        return;
    m_role = Role::fixed;
    m_fixed = colour;
    applyColour();
}

QColor MonitorText::colour() const
{
    switch (m_role) {
    case Role::primary:
        return AppTheme::primaryText();
    case Role::secondary:
        return AppTheme::secondaryText();
    case Role::fixed:
        break;
    }
    return m_fixed;
}

void MonitorText::applyColour()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour());
    setPalette(palette);
}

// ---- MonitorPanel and DashboardCard -----------------------------------------------------------

MonitorPanel::MonitorPanel(QWidget* parent)
    : QWidget(parent)
{
    onThemeChange(this, [this] { update(); });
}

void MonitorPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    MonitorStyle::paintPanel(p, rect(), AppTheme::appearance());
}

DashboardCard::DashboardCard(const QString& title, QWidget* content, QWidget* parent)
    : MonitorPanel(parent)
    , m_title(title)
    , m_content(content)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kCardPadding, kCardPadding + cardTitleHeight() + kCardSpacing, kCardPadding,
                               kCardPadding);
    column->setSpacing(0);
    if (content)
        column->addWidget(content);
}

void DashboardCard::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    update(QRect(0, 0, width(), kCardPadding + cardTitleHeight()));
}

void DashboardCard::paintEvent(QPaintEvent* event)
{
    MonitorPanel::paintEvent(event);
    QPainter p(this);
    const QFont font = cardTitleFont();
    p.setFont(font);
    p.setPen(AppTheme::primaryText());
    const QRectF box(kCardPadding, kCardPadding, width() - 2 * kCardPadding, cardTitleHeight());
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, neon::elided(m_title, font, box.width()));
}

// ---- Gauges -----------------------------------------------------------------------------------

GaugeBar::GaugeBar(int barHeight, qreal minimumFill, QWidget* parent)
    : QWidget(parent)
    , m_height(barHeight)
    , m_minimumFill(minimumFill)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void GaugeBar::setPercent(double percent)
{
    // Compared by what is drawn, so NaN after NaN changes nothing.
    if (MonitorStyle::fraction(percent) == MonitorStyle::fraction(m_percent)) {
        m_percent = percent;
        return;
    }
    m_percent = percent;
    update();
}

void GaugeBar::setTint(const QColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

qreal GaugeBar::fillWidth() const
{
    return std::max(width() * MonitorStyle::fraction(m_percent), m_minimumFill);
}

QSize GaugeBar::sizeHint() const
{
    return {120, m_height};
}

QSize GaugeBar::minimumSizeHint() const
{
    return {0, m_height};
}

void GaugeBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = m_height;
    p.fillPath(neon::capsule(QRectF(0, 0, width(), h)), MonitorStyle::gaugeTrack(AppTheme::appearance()));
    p.fillPath(neon::capsule(QRectF(0, 0, fillWidth(), h)), m_tint);
}

DonutMeter::DonutMeter(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    onThemeChange(this, [this] { update(); });
}

void DonutMeter::setPercent(double percent)
{
    const bool same = MonitorStyle::fraction(percent) == MonitorStyle::fraction(m_percent);
    m_percent = percent;
    if (!same)
        update();
}

void DonutMeter::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    update();
}

void DonutMeter::setTint(const QColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

QRectF DonutMeter::ringRect() const
{
    const QRectF inner = QRectF(rect()).adjusted(kRingPadding, kRingPadding, -kRingPadding, -kRingPadding);
    const qreal side = std::max<qreal>(0, std::min(inner.width(), inner.height()));
    return {inner.center().x() - side / 2, inner.center().y() - side / 2, side, side};
}

QSize DonutMeter::sizeHint() const
{
    return {120, 120};
}

void DonutMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    const QRectF ring = ringRect();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(MonitorStyle::gaugeTrack(a), kRingStroke, Qt::SolidLine, Qt::FlatCap));
    p.drawEllipse(ring);

    const double f = MonitorStyle::fraction(m_percent);
    if (f > 0) {
        p.setPen(QPen(m_tint, kRingStroke, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        if (f >= 1) {
            p.drawEllipse(ring);
        } else {
            QPainterPath arc;
            arc.arcMoveTo(ring, 90);
            arc.arcTo(ring, 90, -360 * f);  // clockwise from twelve o'clock
            p.drawPath(arc);
        }
    }
    p.setFont(neon::systemFont(14, QFont::DemiBold));
    p.setPen(AppTheme::primaryText(a));
    p.drawText(rect(), Qt::AlignCenter, m_label);
}

// ---- Sparkline --------------------------------------------------------------------------------

Sparkline::Sparkline(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Sparkline::setValues(const QList<double>& values)
{
    if (values == m_values)
        return;
    m_values = values;
    rebuildPath();
    update();
}

void Sparkline::setTint(const QColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

QList<QPointF> Sparkline::normalized(const QList<double>& values, const QSizeF& size)
{
    const qsizetype n = values.size();
    if (n < 2)
        return {};
    const double scale = std::max(*std::max_element(values.begin(), values.end()), 1.0);
    QList<QPointF> points;
    points.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        points.append({double(i) * size.width() / double(n - 1), size.height() - values[i] / scale * size.height()});
    return points;
}

void Sparkline::resizeEvent(QResizeEvent*)
{
    rebuildPath();
}

void Sparkline::rebuildPath()
{
    m_path.clear();
    const QList<QPointF> points = normalized(m_values, size());
    if (points.isEmpty())
        return;
    m_path.moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i)
        m_path.lineTo(points[i]);
}

void Sparkline::paintEvent(QPaintEvent*)
{
    if (m_path.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_tint, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(m_path);
}

} // namespace tw
