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
    m_maskSize = QSize();  // the coverage carries the opacity
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

namespace {

// atan2 in degrees, 0..360, clockwise on screen (y grows downwards); within
// a hundredth of a degree, well under one angle bucket.
double clockwiseDegrees(double y, double x)
{
    const double ax = std::abs(x), ay = std::abs(y);
    const double hi = std::max(ax, ay);
    if (hi == 0)
        return 0;
    const double a = std::min(ax, ay) / hi;
    const double s = a * a;
    double r = ((-0.0464964749 * s + 0.15931422) * s - 0.327622764) * s * a + a;
    if (ay > ax)
        r = M_PI_2 - r;
    if (x < 0)
        r = M_PI - r;
    if (y < 0)
        r = 2 * M_PI - r;
    return r * 180.0 / M_PI;
}

} // namespace

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
    const QRectF shape = QRectF(shapeRect());
    if (device.isEmpty() || shape.isEmpty())
        return;

    // The ring is drawn from the signed distance to the shape's edge: the
    // line is a stroke of lineWidth inside the edge, the glow a stroke of
    // lineWidth + 3 inside it, blurred (sigma 2.5) and shown at 0.7. The blur
    // of a stroke across its width is the difference of two error functions.
    const double lw = m_lineWidth * dpr;
    const double gw = (m_lineWidth + 3) * dpr;
    const double sigma = 2.5 * dpr;
    const double halfW = shape.width() * dpr / 2;
    const double halfH = shape.height() * dpr / 2;
    const double r = std::min({double(m_cornerRadius) * dpr, halfW, halfH});
    const double cx = shape.center().x() * dpr;
    const double cy = shape.center().y() * dpr;
    const double inward = gw + 2 * sigma + 1;
    const double outward = 2 * sigma + 1;
    constexpr int steps = 8;  // glow samples per pixel of distance
    std::vector<double> glowProfile(size_t(std::ceil((gw / 2 + 3 * sigma + 2) * steps)) + 1);
    const double k = 1.0 / (sigma * M_SQRT2);
    for (size_t i = 0; i < glowProfile.size(); ++i) {
        const double d = double(i) / steps;
        glowProfile[i] = 0.7 * 0.5 * (std::erf((d + gw / 2) * k) - std::erf((d - gw / 2) * k));
    }

    const int w = device.width();
    const int x0 = int(std::floor(cx - halfW - outward)), x1 = int(std::ceil(cx + halfW + outward));
    const int y0 = int(std::floor(cy - halfH - outward)), y1 = int(std::ceil(cy + halfH + outward));
    const double innerLeft = cx - halfW + inward, innerRight = cx + halfW - inward;
    const double innerTop = cy - halfH + inward, innerBottom = cy + halfH - inward;
    auto visit = [&](int x, int y) {
        const double px = x + 0.5 - cx, py = y + 0.5 - cy;
        const double qx = std::abs(px) - (halfW - r), qy = std::abs(py) - (halfH - r);
        const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
        const double outside = std::sqrt(ox * ox + oy * oy);
        const double sd = outside + std::min(std::max(qx, qy), 0.0) - r;  // negative inside
        const double line = std::clamp(lw / 2 + 0.5 - std::abs(sd + lw / 2), 0.0, 1.0);
        const double dg = std::abs(sd + gw / 2) * steps;
        const double glow = dg < double(glowProfile.size() - 1) ? glowProfile[size_t(dg)] : 0.0;
        const int cov = int((line + glow * (1 - line)) * 255 + 0.5);
        if (cov < 20)  // the glow's far tail: at the border's opacity (about half) under 4/255
            return;
        m_pixels.push_back(std::uint32_t(y * w + x));
        m_angles.push_back(std::uint16_t(int(clockwiseDegrees(py, px) / 360.0 * lutSize) % lutSize));
        // The border's opacity is part of each pixel's coverage.
        m_coverage.push_back(std::uint8_t(std::min(255.0, std::min(cov, 255) * std::clamp(m_opacity, 0.0, 1.0))));
    };
    for (int y = std::max(0, y0); y < std::min(device.height(), y1); ++y) {
        const bool edgeRow = y + 0.5 < innerTop || y + 0.5 > innerBottom;
        for (int x = std::max(0, x0); x < std::min(w, x1); ++x) {
            if (!edgeRow && x + 0.5 > innerLeft && x + 0.5 < innerRight) {
                x = int(std::floor(innerRight));  // skip the middle of the row
                continue;
            }
            visit(x, y);
        }
    }
    m_frame = QImage(device, QImage::Format_ARGB32_Premultiplied);
    m_frame.setDevicePixelRatio(dpr);
    m_frame.fill(Qt::transparent);

    // The band: what the ring covers along the edges, plus the corner squares.
    QRect covered;
    int depth = 0;  // how far the ring reaches into the shape, in points
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        const int x = int(m_pixels[i] % std::uint32_t(w)), y = int(m_pixels[i] / std::uint32_t(w));
        covered |= QRect(int(x / dpr), int(y / dpr), 1, 1);
        if (x == w / 2 && y < device.height() / 2)
            depth = std::max(depth, int(std::ceil((y + 1) / dpr)));
    }
    const int t = std::max(0, depth - covered.top()) + 1;
    const int c = int(std::ceil(m_cornerRadius)) + margin() + t - covered.top();
    const QRect rr = covered;
    QRegion band(rr);
    band -= QRegion(rr.adjusted(t, t, -t, -t));
    band += QRegion(QRect(rr.left(), rr.top(), c, c));
    band += QRegion(QRect(rr.right() - c + 1, rr.top(), c, c));
    band += QRegion(QRect(rr.left(), rr.bottom() - c + 1, c, c));
    band += QRegion(QRect(rr.right() - c + 1, rr.bottom() - c + 1, c, c));
    m_band = band;
}

void ClockwiseNeonBorder::fillLut(double, AppAppearance appearance)
{
    // The gradient along the ring, one turn, computed once per theme; a
    // rotation only shifts where the ring reads it.
    if (!m_lut.empty() && m_lutAppearance == appearance)
        return;
    m_lut.resize(lutSize);
    for (int k = 0; k < lutSize; ++k)
        m_lut[size_t(k)] = qPremultiply(gradientColour((k + 0.5) / lutSize, appearance).rgba());
    m_lutAppearance = appearance;
}

namespace {

bool capturing = false;

} // namespace

bool ClockwiseNeonBorder::isCapturing()
{
    return capturing;
}

void ClockwiseNeonBorder::ensureMasks()
{
    const qreal dpr = devicePixelRatioF();
    if (m_maskSize == size() && m_maskDpr == dpr && !m_frame.isNull())
        return;
    buildMasks(dpr);
    dropBackground();
}

void ClockwiseNeonBorder::compose(double rotation, AppAppearance appearance, bool overBackground)
{
    fillLut(rotation, appearance);
    const int shift = int(std::lround(rotation / 360.0 * lutSize)) % lutSize;
    auto* bits = reinterpret_cast<quint32*>(m_frame.bits());
    const quint32* under = overBackground && m_under.size() == m_pixels.size() ? m_under.data() : nullptr;
    const size_t n = m_pixels.size();
    const std::uint32_t* lut = m_lut.data();
    for (size_t i = 0; i < n; ++i) {
        const quint32 c = lut[(m_angles[i] - shift + lutSize) & (lutSize - 1)];
        const quint32 k = m_coverage[i];  // with the opacity, 0..255
        // Scales all four premultiplied channels by k / 256, two at a time.
        const quint32 rb = (((c & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
        const quint32 ag = (((c >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
        quint32 ring = rb | ag;
        if (under) {
            // The ring over what lies beneath it (premultiplied source-over).
            const quint32 b = under[i];
            const quint32 inv = 255 - (ring >> 24);
            const quint32 brb = (((b & 0x00ff00ffu) * inv) >> 8) & 0x00ff00ffu;
            const quint32 bag = (((b >> 8) & 0x00ff00ffu) * inv) & 0xff00ff00u;
            ring += brb | bag;
        }
        bits[m_pixels[i]] = ring;
    }
    m_frameRotation = rotation;
    m_frameAppearance = appearance;
    m_frameOpacity = m_opacity;
    m_frameOverBackground = overBackground;
}

QImage ClockwiseNeonBorder::render(double rotation, AppAppearance appearance)
{
    ensureMasks();
    if (m_frame.isNull())
        return {};
    if (m_frameOverBackground) {
        // Back to the ring alone.
        m_frame.fill(Qt::transparent);
        m_frameRotation = -1;
    }
    if (rotation != m_frameRotation || appearance != m_frameAppearance || m_opacity != m_frameOpacity)
        compose(rotation, appearance, false);
    return m_frame;
}

void ClockwiseNeonBorder::dropBackground()
{
    m_background = QImage();
    m_frameOverBackground = false;
    m_frameRotation = -1;
    if (testAttribute(Qt::WA_OpaquePaintEvent)) {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        if (!m_frame.isNull())
            m_frame.fill(Qt::transparent);
    }
}

void ClockwiseNeonBorder::scheduleCapture()
{
    if (m_capturePending)
        return;
    m_capturePending = true;
    QTimer::singleShot(0, this, [this] {
        m_capturePending = false;
        captureBackground();
    });
}

void ClockwiseNeonBorder::captureBackground()
{
    QWidget* win = window();
    if (!isVisible() || !win || win == this || m_band.isEmpty())
        return;
    ensureMasks();
    // Renders the window beneath the band, without this border and without
    // what lies above it (they skip painting while capturing).
    const qreal dpr = devicePixelRatioF();
    QImage under(m_frame.size(), QImage::Format_ARGB32_Premultiplied);
    under.setDevicePixelRatio(dpr);
    under.fill(Qt::transparent);
    const bool wasOpaque = testAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    const QPoint offset = mapTo(win, QPoint(0, 0));
    capturing = true;
    win->render(&under, m_band.boundingRect().topLeft(), m_band.translated(offset),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    capturing = false;
    setAttribute(Qt::WA_OpaquePaintEvent, wasOpaque);
    ++m_captures;
    m_background = under;
    // What lies beneath each ring pixel, in ring order, for the per-frame blend.
    m_under.resize(m_pixels.size());
    const auto* bg = reinterpret_cast<const quint32*>(m_background.constBits());
    for (size_t i = 0; i < m_pixels.size(); ++i)
        m_under[i] = bg[m_pixels[i]];
    m_backgroundAppearance = AppTheme::appearance();
    m_backgroundTicks = 0;
    m_frame = m_background.copy();
    m_frameRotation = -1;
    m_frameOverBackground = true;
    // From now on the band is painted whole, so Qt leaves the layers beneath alone.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_ownUpdate = true;
    update(m_band);
}

void ClockwiseNeonBorder::advance(double now)
{
    if (degrees(now, m_duration) == m_frameRotation)
        return;
    // A periodic fresh look beneath, in case something there changed unseen.
    if (!m_background.isNull() && ++m_backgroundTicks > 90)
        scheduleCapture();
    m_ownUpdate = true;
    update(m_band.isEmpty() ? QRegion(rect()) : m_band);
}

void ClockwiseNeonBorder::paintEvent(QPaintEvent* event)
{
    if (capturing)
        return;
    ensureMasks();
    if (m_frame.isNull())
        return;
    const AppAppearance appearance = AppTheme::appearance();
    const double rotation = degrees(NeonAnimationClock::shared().now(), m_duration);
    // A repaint we did not ask for, or a new theme, means the layers beneath may have changed.
    const bool foreign = !m_ownUpdate || !(event->region() - m_band).isEmpty();
    m_ownUpdate = false;
    const bool stale = m_background.isNull() || appearance != m_backgroundAppearance;
    if (foreign || stale)
        scheduleCapture();

    QPainter p(this);
    if (!m_background.isNull() && testAttribute(Qt::WA_OpaquePaintEvent)) {
        if (!m_frameOverBackground) {
            m_frame = m_background.copy();
            m_frameRotation = -1;
        }
        if (rotation != m_frameRotation || appearance != m_frameAppearance || m_opacity != m_frameOpacity
            || !m_frameOverBackground)
            compose(rotation, appearance, true);
        // The band is painted whole: the snapshot with the ring over it,
        // copied rectangle by rectangle in short bands (plain row copies).
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const qreal dpr = m_frame.devicePixelRatio();
        for (const QRect& r : event->region()) {
            for (int y = r.top(); y <= r.bottom(); y += neon::kBandRows) {
                const QRect piece(r.left(), y, r.width(), std::min(neon::kBandRows, r.bottom() - y + 1));
                // A rectangular clip lets Qt copy whole rows instead of clipped spans.
                p.setClipRect(piece);
                p.drawImage(QRectF(piece), m_frame,
                            QRectF(piece.left() * dpr, piece.top() * dpr, piece.width() * dpr, piece.height() * dpr));
            }
        }
        if (stale || foreign)
            dropBackground();  // until the fresh snapshot, the layers beneath paint themselves
        return;
    }
    // The ring alone over the layers beneath.
    neon::drawImage(p, QPointF(0, 0), render(rotation, appearance));
}

void ClockwiseNeonBorder::resizeEvent(QResizeEvent*)
{
    m_maskSize = QSize();
    ensureMasks();
    setMask(m_band);
}

void ClockwiseNeonBorder::moveEvent(QMoveEvent*)
{
    dropBackground();
}

void ClockwiseNeonBorder::showEvent(QShowEvent*)
{
    NeonAnimationClock::shared().add(this);
}

void ClockwiseNeonBorder::hideEvent(QHideEvent*)
{
    NeonAnimationClock::shared().remove(this);
    dropBackground();
}

} // namespace tw
