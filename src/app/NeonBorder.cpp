#include "app/NeonBorder.h"

#include "app/NeonPaint.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

// 2001-01-01 00:00 UTC in seconds since the Unix epoch.
constexpr double kReferenceDate = 978307200.0;

} // namespace

// ---- NeonAnimationClock ----------------------------------------------------------

NeonAnimationClock::NeonAnimationClock()
{
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &NeonAnimationClock::tick);
}

NeonAnimationClock& NeonAnimationClock::shared()
{
    static NeonAnimationClock* clock = new NeonAnimationClock;  // lives to the end of the process
    return *clock;
}

double NeonAnimationClock::now() const
{
    if (m_source)
        return m_source();
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kReferenceDate;
}

void NeonAnimationClock::setTimeSource(std::function<double()> source)
{
    m_source = std::move(source);
}

void NeonAnimationClock::add(ClockwiseNeonBorder* border)
{
    if (!m_borders.contains(border))
        m_borders.append(border);
    if (!m_timer.isActive())
        m_timer.start();
}

void NeonAnimationClock::remove(ClockwiseNeonBorder* border)
{
    m_borders.removeAll(border);
    if (m_borders.isEmpty())
        m_timer.stop();
}

void NeonAnimationClock::tick()
{
    ++m_ticks;
    const double t = now();
    for (ClockwiseNeonBorder* b : std::as_const(m_borders))
        b->advance(t);
}

// ---- ClockwiseNeonBorder ---------------------------------------------------------------

ClockwiseNeonBorder::ClockwiseNeonBorder(qreal cornerRadius, qreal lineWidth, double duration, QWidget* parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
    , m_lineWidth(lineWidth)
    , m_duration(duration > 0 ? duration : 1.0)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

ClockwiseNeonBorder::~ClockwiseNeonBorder()
{
    NeonAnimationClock::shared().remove(this);
}

void ClockwiseNeonBorder::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    update();
}

void ClockwiseNeonBorder::setShapeGeometry(const QRect& shape)
{
    setGeometry(shape.adjusted(-margin(), -margin(), margin(), margin()));
}

QRect ClockwiseNeonBorder::shapeRect() const
{
    return rect().adjusted(margin(), margin(), -margin(), -margin());
}

double ClockwiseNeonBorder::degrees(double secondsSinceReferenceDate, double duration)
{
    if (duration <= 0)
        return 0;
    const double q = secondsSinceReferenceDate / duration;
    return (q - std::floor(q)) * 360.0;
}

QColor ClockwiseNeonBorder::gradientColour(double location, AppAppearance a)
{
    using neon::faded;
    using neon::rgb;
    QColor second;
    switch (a) {
    case AppAppearance::midnight: second = rgb(0.2, 0.72, 1.0); break;
    case AppAppearance::classic: second = rgb(0.18, 0.68, 1.0); break;
    case AppAppearance::indigo: second = rgb(0.45, 0.73, 1.0, 0.9); break;
    }
    const QColor glow = AppTheme::neonGlow(a);
    const QColor highlight = AppTheme::neonHighlight(a);
    const std::pair<double, QColor> stops[] = {
        {0.0, faded(glow, 0.05)},      {0.35, faded(second, 0.25)}, {0.55, faded(highlight, 0.85)},
        {0.62, QColor(Qt::white)},     {0.7, highlight},            {0.82, faded(glow, 0.35)},
        {1.0, faded(glow, 0.05)},
    };
    location = std::clamp(location, 0.0, 1.0);
    for (size_t i = 1; i < std::size(stops); ++i) {
        if (location > stops[i].first)
            continue;
        const auto& [l0, c0] = stops[i - 1];
        const auto& [l1, c1] = stops[i];
        const double f = l1 > l0 ? (location - l0) / (l1 - l0) : 0.0;
        // Interpolated in premultiplied form, as gradients are drawn.
        const double a0 = c0.alphaF(), a1 = c1.alphaF();
        const double alpha = a0 + (a1 - a0) * f;
        auto channel = [&](double v0, double v1) {
            const double pm = v0 * a0 + (v1 * a1 - v0 * a0) * f;
            return alpha > 0 ? std::clamp(pm / alpha, 0.0, 1.0) : 0.0;
        };
        return QColor::fromRgbF(float(channel(c0.redF(), c1.redF())), float(channel(c0.greenF(), c1.greenF())),
                                float(channel(c0.blueF(), c1.blueF())), float(alpha));
    }
    return stops[std::size(stops) - 1].second;
}

QColor ClockwiseNeonBorder::colourAtAngle(double clockwiseDegrees, double rotation, AppAppearance appearance)
{
    double turn = (clockwiseDegrees - rotation) / 360.0;
    turn -= std::floor(turn);
    return gradientColour(turn, appearance);
}

void ClockwiseNeonBorder::buildMasks(qreal dpr)
{
    const QSize device(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    m_maskDpr = dpr;
    m_maskSize = size();
    m_pixels.clear();
    m_angles.clear();
    m_coverage.clear();
    m_band = QRegion();
    m_frameRotation = -1;
    m_frame = QImage();
    if (device.isEmpty())
        return;

    const QRectF shape = QRectF(shapeRect());
    auto strokeAlpha = [&](qreal w) {
        QImage img(device, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, w));
        p.setBrush(Qt::NoBrush);
        p.drawPath(neon::insideStrokePath(shape, m_cornerRadius, w));
        p.end();
        std::vector<uchar> a(size_t(device.width()) * size_t(device.height()));
        for (int y = 0; y < device.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < device.width(); ++x)
                a[size_t(y) * size_t(device.width()) + size_t(x)] = uchar(qAlpha(line[x]));
        }
        return a;
    };
    const std::vector<uchar> line = strokeAlpha(m_lineWidth);
    std::vector<uchar> glow = strokeAlpha(m_lineWidth + 3);
    neon::boxBlurAlpha(glow.data(), device.width(), device.height(), 2.5 * dpr);

    const double cx = (shape.center().x()) * dpr;
    const double cy = (shape.center().y()) * dpr;
    const int w = device.width();
    int topBand = 0;
    for (int y = 0; y < device.height(); ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const uint l = line[i];
            const uint g = uint(glow[i]) * 7 / 10;  // the glow is shown at 0.7
            const uint cov = l + g * (255 - l) / 255;
            if (cov == 0)
                continue;
            double deg = std::atan2(y + 0.5 - cy, x + 0.5 - cx) * 180.0 / M_PI;  // y down: clockwise
            if (deg < 0)
                deg += 360.0;
            m_pixels.push_back(std::uint32_t(i));
            m_angles.push_back(std::uint16_t(int(deg / 360.0 * lutSize) % lutSize));
            m_coverage.push_back(std::uint8_t(cov));
            if (x == w / 2)
                topBand = std::max(topBand, y < device.height() / 2 ? y + 1 : 0);
        }
    }
    m_frame = QImage(device, QImage::Format_ARGB32_Premultiplied);
    m_frame.setDevicePixelRatio(dpr);
    m_frame.fill(Qt::transparent);

    // The band: the edges as deep as the ring reaches, plus the corner squares.
    const int t = int(std::ceil(topBand / dpr)) + 1;
    const int c = int(std::ceil(m_cornerRadius)) + t;
    const QRect r = rect();
    QRegion band(r);
    band -= QRegion(r.adjusted(t, t, -t, -t));
    band += QRegion(QRect(r.left(), r.top(), c, c));
    band += QRegion(QRect(r.right() - c + 1, r.top(), c, c));
    band += QRegion(QRect(r.left(), r.bottom() - c + 1, c, c));
    band += QRegion(QRect(r.right() - c + 1, r.bottom() - c + 1, c, c));
    m_band = band;
}

void ClockwiseNeonBorder::fillLut(double rotation, AppAppearance appearance)
{
    m_lut.resize(lutSize);
    for (int k = 0; k < lutSize; ++k) {
        const double angle = (k + 0.5) * 360.0 / lutSize;
        m_lut[size_t(k)] = qPremultiply(colourAtAngle(angle, rotation, appearance).rgba());
    }
}

QImage ClockwiseNeonBorder::render(double rotation, AppAppearance appearance)
{
    const qreal dpr = devicePixelRatioF();
    if (m_maskSize != size() || m_maskDpr != dpr || m_frame.isNull())
        buildMasks(dpr);
    if (m_frame.isNull())
        return {};
    if (rotation == m_frameRotation && appearance == m_frameAppearance)
        return m_frame;
    fillLut(rotation, appearance);
    auto* bits = reinterpret_cast<QRgb*>(m_frame.bits());
    const size_t n = m_pixels.size();
    for (size_t i = 0; i < n; ++i) {
        const QRgb c = m_lut[m_angles[i]];
        const uint cov = m_coverage[i];
        bits[m_pixels[i]] = qRgba(int(qRed(c) * cov / 255), int(qGreen(c) * cov / 255), int(qBlue(c) * cov / 255),
                                  int(qAlpha(c) * cov / 255));
    }
    m_frameRotation = rotation;
    m_frameAppearance = appearance;
    return m_frame;
}

void ClockwiseNeonBorder::advance(double now)
{
    if (degrees(now, m_duration) != m_frameRotation)
        update(m_band.isEmpty() ? QRegion(rect()) : m_band);
}

void ClockwiseNeonBorder::paintEvent(QPaintEvent*)
{
    const QImage frame = render(degrees(NeonAnimationClock::shared().now(), m_duration), AppTheme::appearance());
    if (frame.isNull())
        return;
    QPainter p(this);
    p.setOpacity(m_opacity);
    p.drawImage(QPointF(0, 0), frame);
}

void ClockwiseNeonBorder::resizeEvent(QResizeEvent*)
{
    m_maskSize = QSize();
}

void ClockwiseNeonBorder::showEvent(QShowEvent*)
{
    NeonAnimationClock::shared().add(this);
}

void ClockwiseNeonBorder::hideEvent(QHideEvent*)
{
    NeonAnimationClock::shared().remove(this);
}

} // namespace tw
