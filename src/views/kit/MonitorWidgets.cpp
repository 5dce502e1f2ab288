#include "views/kit/MonitorWidgets.h"

#include "state/Theme.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QtMath>
#include <QPaintEvent>
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
constexpr qreal kLineWidth = 1.6;

int cardTitleHeight()
{
    return typescale::lineHeight(TextRole::rowTitle);
}

} // namespace

namespace monitorstyle {

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

double usedPercent(double part, double whole)
{
    return whole == 0 ? 0.0 : std::min(part / whole * 100.0, 100.0);
}

QColor loadColour(double percent)
{
    if (percent >= 85)
        return rgb(0.86, 0.24, 0.22);
    if (percent >= 60)
        return rgb(0.93, 0.55, 0.16);
    return rgb(0.18, 0.68, 0.36);
}

} // namespace monitorstyle

// ---- MonitorPanel and DashboardCard -----------------------------------------------------------

MonitorPanel::MonitorPanel(QWidget* parent)
    : QWidget(parent)
{
    onThemeChange(this, [this] { update(); });
}

void MonitorPanel::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const AppAppearance a = AppTheme::appearance();
    // A child's repaint inside the panel needs only the fill behind it.
    const int corner = int(std::ceil(monitorstyle::panelRadius));
    if (rect().adjusted(corner, corner, -corner, -corner).contains(event->rect())) {
        neon::fillRect(p, event->rect(), AppTheme::cardFill(a));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    monitorstyle::paintPanel(p, rect(), a);
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
    const QRect box(kCardPadding, kCardPadding, width() - 2 * kCardPadding, cardTitleHeight());
    if (!event->rect().intersects(box))
        return;
    QPainter p(this);
    const QFont font = typescale::font(TextRole::rowTitle);
    p.setFont(font);
    p.setPen(AppTheme::primaryText());
    p.drawText(box, Mirror(*this).align(Qt::AlignLeft) | Qt::AlignVCenter, neon::elided(m_title, font, box.width()));
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
    if (monitorstyle::fraction(percent) == monitorstyle::fraction(m_percent)) {
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
    return std::max(width() * monitorstyle::fraction(m_percent), m_minimumFill);
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
    p.fillPath(neon::capsule(QRectF(0, 0, width(), h)), monitorstyle::gaugeTrack(AppTheme::appearance()));
    // The bar fills from its leading end.
    p.fillPath(neon::capsule(Mirror(*this)(QRectF(0, 0, fillWidth(), h))), m_tint);
}

DonutMeter::DonutMeter(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    onThemeChange(this, [this] { update(); });
}

void DonutMeter::setPercent(double percent)
{
    const bool same = monitorstyle::fraction(percent) == monitorstyle::fraction(m_percent);
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

void DonutMeter::measureRing(qreal dpr)
{
    const QRectF circle = ringRect();
    const qreal reach = circle.width() / 2 + kRingStroke / 2 + 1;
    const int side = int(std::ceil(2 * reach * dpr));
    const qreal radius = circle.width() / 2 * dpr;
    m_pixels = {QSize(side, side), dpr, circle, {}};
    // The last few sizes measured (the meters of a window share one).
    struct Measured {
        int side;
        qreal radius;
        std::shared_ptr<const RingCover> cover;
    };
    static std::vector<Measured> measured;
    for (const Measured& m : measured) {
        if (m.side == side && m.radius == radius) {
            m_pixels.cover = m.cover;
            return;
        }
    }
    auto cover = std::make_shared<RingCover>();
    const qreal centre = side / 2.0;
    const qreal half = kRingStroke / 2 * dpr;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const qreal dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            const qreal edge = half + 0.5 - std::abs(std::hypot(dx, dy) - radius);
            if (edge <= 0)
                continue;
            qreal degrees = qRadiansToDegrees(std::atan2(dx, -dy));
            if (degrees < 0)
                degrees += 360;
            cover->index.push_back(y * side + x);
            cover->coverage.push_back(float(std::min<qreal>(edge, 1)));
            cover->degrees.push_back(float(degrees));
        }
    }
    m_pixels.cover = cover;
    constexpr std::size_t kKept = 4;
    if (measured.size() == kKept)
        measured.erase(measured.begin());
    measured.push_back({side, radius, std::move(cover)});
}

// Track, then the arc over it: inside its sweep the ring itself, beyond it the
// round ends (discs of the band's width centred on the ring at either end).
void DonutMeter::renderRing(AppAppearance a)
{
    const double f = monitorstyle::fraction(m_percent);
    const QColor track = monitorstyle::gaugeTrack(a);
    const QString key = QString::number(f, 'g', 9) + u'|' + m_tint.name(QColor::HexArgb) + u'|'
        + track.name(QColor::HexArgb) + u'|' + QString::number(m_pixels.side.width());
    if (key == m_ringKey && !m_ring.isNull())
        return;
    m_ringKey = key;
    const int side = m_pixels.side.width();
    m_ring = QImage(m_pixels.side, QImage::Format_ARGB32_Premultiplied);
    m_ring.fill(Qt::transparent);
    m_ring.setDevicePixelRatio(m_pixels.dpr);
    QRgb* out = reinterpret_cast<QRgb*>(m_ring.bits());
    const qreal centre = side / 2.0;
    const qreal radius = m_pixels.circle.width() / 2 * m_pixels.dpr;
    const qreal half = kRingStroke / 2 * m_pixels.dpr;
    const qreal sweep = 360 * f;
    const qreal end = qDegreesToRadians(sweep);
    const qreal reach2 = (half + 0.5) * (half + 0.5);
    const QPointF ends[] = {{centre, centre - radius}, {centre + radius * std::sin(end), centre - radius * std::cos(end)}};
    const float tr = float(track.redF()), tg = float(track.greenF()), tb = float(track.blueF()), ta = float(track.alphaF());
    const float ar = float(m_tint.redF()), ag = float(m_tint.greenF()), ab = float(m_tint.blueF()), aa = float(m_tint.alphaF());
    const RingCover& cover = *m_pixels.cover;
    for (std::size_t i = 0; i < cover.index.size(); ++i) {
        const float ring = cover.coverage[i];
        float arc = 0;
        if (f >= 1 || (f > 0 && cover.degrees[i] <= sweep)) {
            arc = ring;
        } else if (f > 0) {
            const int at = cover.index[i];
            const qreal x = at % side + 0.5, y = at / side + 0.5;
            for (const QPointF& e : ends) {
                const qreal d2 = (x - e.x()) * (x - e.x()) + (y - e.y()) * (y - e.y());
                if (d2 < reach2)
                    arc = std::max(arc, float(std::clamp<qreal>(half + 0.5 - std::sqrt(d2), 0, ring)));
            }
        }
        const float under = ta * ring * (1 - arc * aa);
        const float alpha = aa * arc + under;
        out[cover.index[i]] = qRgba(qRound((ar * aa * arc + tr * under) * 255), qRound((ag * aa * arc + tg * under) * 255),
                                       qRound((ab * aa * arc + tb * under) * 255), qRound(alpha * 255));
    }
}

void DonutMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const AppAppearance a = AppTheme::appearance();
    const qreal dpr = devicePixelRatioF();
    if (m_pixels.dpr != dpr || m_pixels.circle != ringRect()) {
        measureRing(dpr);
        m_ring = {};
    }
    renderRing(a);
    const qreal reach = m_pixels.side.width() / dpr / 2;
    neon::drawImage(p, m_pixels.circle.center() - QPointF(reach, reach), m_ring);
    p.setFont(typescale::font(TextRole::cardTitle));
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
    m_line = {};
    update();
}

void Sparkline::setTint(const QColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    m_line = {};
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
    m_line = {};
}

// The line rasterised by distance: a pixel is covered as far as it lies within
// half the line's width of a segment (which gives round caps and joins).
void Sparkline::renderLine(qreal dpr)
{
    const QSize px = (QSizeF(size()) * dpr).toSize();
    m_line = QImage(px, QImage::Format_ARGB32_Premultiplied);
    m_line.fill(Qt::transparent);
    m_line.setDevicePixelRatio(dpr);
    const QList<QPointF> points = normalized(m_values, size());
    if (points.size() < 2 || px.isEmpty())
        return;
    const int w = px.width(), h = px.height();
    const qreal half = kLineWidth / 2 * dpr;
    std::vector<float> cover(std::size_t(w) * std::size_t(h), 0.f);
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF a = points[i - 1] * dpr, b = points[i] * dpr;
        const QPointF ab = b - a;
        const qreal length2 = QPointF::dotProduct(ab, ab);
        const int x0 = std::max(0, int(std::floor(std::min(a.x(), b.x()) - half - 1)));
        const int x1 = std::min(w - 1, int(std::ceil(std::max(a.x(), b.x()) + half + 1)));
        const int y0 = std::max(0, int(std::floor(std::min(a.y(), b.y()) - half - 1)));
        const int y1 = std::min(h - 1, int(std::ceil(std::max(a.y(), b.y()) + half + 1)));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const QPointF p(x + 0.5, y + 0.5);
                const qreal t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
                const QPointF d = p - (a + t * ab);
                const float c = float(std::clamp(half + 0.5 - std::sqrt(QPointF::dotProduct(d, d)), 0.0, 1.0));
                float& slot = cover[std::size_t(y) * std::size_t(w) + std::size_t(x)];
                slot = std::max(slot, c);
            }
        }
    }
    const QRgb tint = m_tint.rgba();
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(m_line.scanLine(y));
        const float* c = cover.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            if (c[x] > 0)
                row[x] = qPremultiply(qRgba(qRed(tint), qGreen(tint), qBlue(tint), qRound(qAlpha(tint) * c[x])));
        }
    }
}

void Sparkline::paintEvent(QPaintEvent*)
{
    if (m_values.size() < 2)
        return;
    const qreal dpr = devicePixelRatioF();
    if (m_line.isNull() || m_line.devicePixelRatio() != dpr)
        renderLine(dpr);
    QPainter p(this);
    neon::drawImage(p, QPointF(0, 0), m_line);
}

} // namespace tw
