#include "views/kit/NeonBorder.h"

#include "platform/ThreadPool.h"

#include "state/Theme.h"
#include "views/kit/NeonOverlay.h"
#include "views/kit/NeonRing.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPaintEvent>
#include <QBackingStore>
#include <QPainter>
#include <QWindow>

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
    m_timer.setSingleShot(true);
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

int NeonAnimationClock::delayMs(double t) const
{
    // Just after the soonest next step of any border, so every tick finds a
    // new step (a tick that lands early would find none and the next one two).
    double wait = 1.0;
    for (const ClockwiseNeonBorder* b : m_borders)
        wait = std::min(wait, ClockwiseNeonBorder::secondsToNextStep(t, b->duration()));
    return std::clamp(int(std::ceil(wait * 1000)) + 1, minimumIntervalMs, 1000);
}

void NeonAnimationClock::add(ClockwiseNeonBorder* border)
{
    if (!m_borders.contains(border))
        m_borders.append(border);
    if (!m_timer.isActive())
        m_timer.start(delayMs(now()));
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
    if (!m_borders.isEmpty())
        m_timer.start(delayMs(t));
}

// ---- ClockwiseNeonBorder ---------------------------------------------------------------

ClockwiseNeonBorder::ClockwiseNeonBorder(qreal cornerRadius, qreal lineWidth, double duration, QWidget* parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
    , m_lineWidth(lineWidth)
    , m_duration(duration > 0 ? duration : 1.0)
    , m_steps(stepsPerTurn(m_duration))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    // The snapshot beneath holds the old theme's picture: the layers beneath
    // paint themselves until a fresh one is taken.
    onThemeChange(this, [this] {
        dropBackground();
        m_capturePending = true;
        update();
    });
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

int ClockwiseNeonBorder::stepsPerTurn(double duration)
{
    if (!(duration > 0))
        return 1;
    return int(std::clamp(std::lround(duration * stepsPerSecond), 1L, 100000L));
}

int ClockwiseNeonBorder::step(double secondsSinceReferenceDate, double duration)
{
    if (!(duration > 0))
        return 0;
    const int n = stepsPerTurn(duration);
    const double q = secondsSinceReferenceDate / duration;
    const int s = int(std::floor((q - std::floor(q)) * n));
    return std::clamp(s, 0, n - 1);
}

double ClockwiseNeonBorder::degrees(double secondsSinceReferenceDate, double duration)
{
    return step(secondsSinceReferenceDate, duration) * 360.0 / stepsPerTurn(duration);
}

double ClockwiseNeonBorder::secondsToNextStep(double secondsSinceReferenceDate, double duration)
{
    if (!(duration > 0))
        return 1.0;
    const int n = stepsPerTurn(duration);
    const double turn = std::floor(secondsSinceReferenceDate / duration);
    const double next = (turn + double(step(secondsSinceReferenceDate, duration) + 1) / n) * duration;
    return std::max(0.0, next - secondsSinceReferenceDate);
}

QColor ClockwiseNeonBorder::gradientColour(double location, AppAppearance a)
{
    using neon::faded;
    const QColor second = neon::edgeColour(a);
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


struct ClockwiseNeonBorder::Packing {
    neonring::Packed packed;
    std::vector<RowRun> rowRuns;
};

void ClockwiseNeonBorder::buildMasks(qreal dpr)
{
    m_packing.reset();  // waits for an older packing
    m_packed.reset();
    m_maskDpr = dpr;
    m_maskSize = size();
    m_under.clear();
    m_frame = BandFrame();
    m_ringOnly = BandFrame();
    const neonring::Geometry g{QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr))),
                               QRectF(shapeRect()), m_cornerRadius, m_lineWidth, m_opacity, dpr};
    std::vector<neonring::Covered> covered = neonring::rasterise(g);
    m_band = neonring::band(covered, g, margin());
    m_pieces = neonring::pieces(m_band, g, m_bandPixels);
    m_runs.clear();
    m_ringInfo.clear();
    m_ringUnder.clear();
    m_rowRuns.clear();
    m_above = QRegion();
    m_aboveDpr = 0;
    // The band (and so the mask) is needed now; the runs only at the first
    // paint, so they are packed on the pool while the window is shown.
    auto packed = std::make_shared<Packing>();
    m_packed = packed;
    m_packing = std::make_unique<PoolTask>([packed, covered = std::move(covered), pieces = m_pieces] {
        packed->packed = neonring::pack(covered, pieces);
        // Where each run lies in the border, row by row.
        for (const Run& run : packed->packed.runs) {
            // The piece whose pixels hold the run's start.
            const auto after = std::upper_bound(pieces.begin(), pieces.end(), run.offset,
                                                [](std::uint32_t o, const Piece& q) { return o < std::uint32_t(q.offset); });
            if (after == pieces.begin())
                continue;
            size_t p = size_t(after - pieces.begin()) - 1;
            const std::uint32_t local = run.offset - std::uint32_t(pieces[p].offset);
            int w = pieces[p].device.width();
            int x = int(local % std::uint32_t(w)), y = int(local / std::uint32_t(w));
            std::uint32_t first = run.first, left = run.length;
            while (left > 0) {
                // A run may go on into the next piece, which follows in the frame.
                if (y >= pieces[p].device.height()) {
                    if (++p == pieces.size())
                        break;
                    w = pieces[p].device.width();
                    x = y = 0;
                }
                const std::uint32_t n = std::min<std::uint32_t>(left, std::uint32_t(w - x));
                packed->rowRuns.push_back({pieces[p].device.left() + x, pieces[p].device.top() + y, first, n});
                first += n;
                left -= n;
                x = 0;
                ++y;
            }
        }
    });
}

void ClockwiseNeonBorder::finishPacking()
{
    if (!m_packing)
        return;
    m_packing->wait();
    m_runs = std::move(m_packed->packed.runs);
    m_ringInfo = std::move(m_packed->packed.info);
    m_rowRuns = std::move(m_packed->rowRuns);
    m_packing.reset();
    m_packed.reset();
}

void ClockwiseNeonBorder::fillLut(AppAppearance appearance)
{
    // The gradient along the ring, one turn, computed once per theme; a
    // rotation only shifts where the ring reads it.
    if (!m_lut.empty() && m_lutAppearance == appearance)
        return;
    m_lut.resize(lutSize);
    for (int k = 0; k < lutSize; ++k)
        m_lut[size_t(k)] = qPremultiply(gradientColour((k + 0.5) / lutSize, appearance).rgba());
    m_lutAppearance = appearance;
    // What was composed from the old table is stale.
    m_frameShift = -1;
    m_ringOnlyShift = -1;
}

int ClockwiseNeonBorder::shiftFor(double rotation)
{
    return int(std::lround(rotation / 360.0 * lutSize)) % lutSize;
}

namespace {

// Installed on the application while a border renders the window beneath
// its band: borders, overlays and what lies inside overlays do not paint.
class CaptureFilter : public QObject {
public:
    CaptureFilter() { QCoreApplication::instance()->installEventFilter(this); }
    ~CaptureFilter() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        const auto* w = static_cast<const QWidget*>(watched);
        return qobject_cast<const ClockwiseNeonBorder*>(w) || NeonOverlay::covers(w);
    }
};

} // namespace

void ClockwiseNeonBorder::ensureBand()
{
    const qreal dpr = devicePixelRatioF();
    if (m_maskSize == size() && m_maskDpr == dpr)
        return;
    buildMasks(dpr);
    dropBackground();
}

void ClockwiseNeonBorder::ensureMasks()
{
    ensureBand();
    finishPacking();
}

void ClockwiseNeonBorder::prepareFrame(BandFrame& frame) const
{
    if (frame.pixels.size() == m_bandPixels)
        return;
    // The images only look into the frame's pixels, which never move again.
    frame.pixels.assign(m_bandPixels, 0);
    frame.pieces.clear();
    for (const Piece& piece : m_pieces) {
        QImage image(reinterpret_cast<uchar*>(frame.pixels.data() + piece.offset), piece.device.width(),
                     piece.device.height(), piece.device.width() * 4, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(m_maskDpr);
        frame.pieces.push_back(image);
    }
    frame.valid = false;
}

void ClockwiseNeonBorder::compose(BandFrame& frame, int shift, bool overSnapshot, bool onBase)
{
    prepareFrame(frame);
    std::uint32_t* bits = frame.pixels.data();
    if (!onBase) {
        if (overSnapshot)
            std::copy(m_under.begin(), m_under.end(), bits);
        else
            std::fill(bits, bits + m_bandPixels, 0u);
    }
    const std::uint32_t* lut = m_lut.data();
    const std::uint32_t* info = m_ringInfo.data();
    const std::uint32_t* under = overSnapshot ? m_ringUnder.data() : nullptr;
    // Scales all four premultiplied channels of c by k / 256, two at a time.
    auto scaled = [](quint32 c, quint32 k) {
        return ((((c & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu) | ((((c >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u);
    };
    for (const Run& run : m_runs) {
        std::uint32_t* out = bits + run.offset;
        const std::uint32_t* in = info + run.first;
        if (under) {
            // The ring over what lies beneath it (premultiplied source-over).
            const std::uint32_t* beneath = under + run.first;
            for (std::uint32_t i = 0; i < run.length; ++i) {
                const quint32 ring = scaled(lut[((in[i] & 0xffffu) - shift) & (lutSize - 1)], in[i] >> 16);
                out[i] = ring + scaled(beneath[i], 255 - (ring >> 24));
            }
        } else {
            for (std::uint32_t i = 0; i < run.length; ++i)
                out[i] = scaled(lut[((in[i] & 0xffffu) - shift) & (lutSize - 1)], in[i] >> 16);
        }
    }
    frame.valid = true;
    ++m_composes;
}

const ClockwiseNeonBorder::BandFrame& ClockwiseNeonBorder::frameOverSnapshot(int step)
{
    // Copies of every step's frame were tried: with a few MB of frames the
    // copy reads as much cold memory as this rewrite, and costs no less.
    fillLut(m_appearance);
    const int shift = shiftFor(step * 360.0 / m_steps);
    if (m_frame.valid && shift == m_frameShift)
        return m_frame;  // the same step painted again
    compose(m_frame, shift, true, m_frame.valid);
    m_frameShift = shift;
    return m_frame;
}

void ClockwiseNeonBorder::drawBand(QPainter& p, const QRegion& region, const BandFrame& frame) const
{
    // Piece by piece, in short bands under a rectangular clip: Qt then copies
    // or blends plain rows on this thread (taller copies go to its thread pool).
    const qreal dpr = m_maskDpr;
    for (const QRect& r : region) {
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            const Piece& piece = m_pieces[i];
            const QRect part = r & piece.logical;
            for (int y = part.top(); y <= part.bottom(); y += neon::kBandRows) {
                const QRect band(part.left(), y, part.width(), std::min(neon::kBandRows, part.bottom() - y + 1));
                p.setClipRect(band);
                const QRectF source((band.left() - piece.logical.left()) * dpr,
                                    (band.top() - piece.logical.top()) * dpr, band.width() * dpr,
                                    band.height() * dpr);
                p.drawImage(QRectF(band), frame.pieces[i], source);
            }
        }
    }
}

QImage ClockwiseNeonBorder::render(double rotation, AppAppearance appearance)
{
    ensureMasks();
    if (m_pieces.empty())
        return {};
    fillLut(appearance);
    compose(m_ringOnly, shiftFor(rotation), false, false);
    m_ringOnlyShift = -1;  // composed at a rotation that need not be a step
    QImage out = neon::transparentImage(size(), m_maskDpr);
    for (const Piece& piece : m_pieces)
        for (int y = 0; y < piece.device.height(); ++y)
            std::copy_n(m_ringOnly.pixels.data() + piece.offset + size_t(y) * size_t(piece.device.width()),
                        piece.device.width(),
                        reinterpret_cast<std::uint32_t*>(out.scanLine(piece.device.top() + y)) + piece.device.left());
    return out;
}

void ClockwiseNeonBorder::dropBackground()
{
    // What was beneath is kept to compare with the next snapshot: when that
    // shows the same, the frames made over it stay good.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ClockwiseNeonBorder::captureBackground()
{
    QWidget* win = window();
    if (!isVisible() || !win || win == this)
        return;
    ensureMasks();
    if (m_pieces.empty())
        return;
    // Renders the window beneath the band, without this border and without
    // what lies above it (see NeonOverlay).
    const qreal dpr = m_maskDpr;
    const QRect bounds = m_band.boundingRect();
    const QPoint origin(int(std::floor(bounds.left() * dpr)), int(std::floor(bounds.top() * dpr)));
    QImage under(QSize(int(std::ceil((bounds.right() + 1) * dpr)) - origin.x(),
                       int(std::ceil((bounds.bottom() + 1) * dpr)) - origin.y()),
                 QImage::Format_ARGB32_Premultiplied);
    under.setDevicePixelRatio(dpr);
    under.fill(Qt::transparent);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    {
        const CaptureFilter filter;
        win->render(&under, QPoint(), m_band.translated(mapTo(win, QPoint(0, 0))),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    ++m_captures;

    // Into band-frame order; the frame made over the same picture stays good.
    std::vector<std::uint32_t> fresh(m_bandPixels);
    for (const Piece& piece : m_pieces) {
        const QRect d = piece.device.translated(-origin) & under.rect();
        for (int y = 0; y < d.height(); ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(under.constScanLine(d.top() + y)) + d.left();
            std::copy_n(line, d.width(),
                        fresh.data() + piece.offset
                            + size_t(d.top() + origin.y() - piece.device.top() + y) * size_t(piece.device.width())
                            + size_t(d.left() + origin.x() - piece.device.left()));
        }
    }
    if (fresh != m_under || m_appearance != m_underAppearance) {
        m_under.swap(fresh);
        m_underAppearance = m_appearance;
        m_frame.valid = false;  // it holds the old picture between the ring's pixels
        // What lies beneath each ring pixel, in the ring's order.
        m_ringUnder.resize(m_ringInfo.size());
        for (const Run& run : m_runs)
            std::copy_n(m_under.data() + run.offset, run.length, m_ringUnder.data() + run.first);
    }
    m_backgroundTicks = 0;
    // From now on the band is painted whole, so Qt leaves the layers beneath alone.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_ownUpdate = true;
    update(m_band);
}

QImage ClockwiseNeonBorder::snapshot() const
{
    if (m_under.size() != m_bandPixels || m_pieces.empty())
        return {};
    QImage out = neon::transparentImage(m_maskSize, m_maskDpr);
    for (const Piece& piece : m_pieces)
        for (int y = 0; y < piece.device.height(); ++y)
            std::copy_n(m_under.data() + piece.offset + size_t(y) * size_t(piece.device.width()),
                        piece.device.width(),
                        reinterpret_cast<std::uint32_t*>(out.scanLine(piece.device.top() + y)) + piece.device.left());
    return out;
}

QRegion ClockwiseNeonBorder::coveredAbove() const
{
    QRegion covered;
    QRect clip = rect();
    const QWidget* w = this;
    while (!w->isWindow()) {
        const QWidget* parent = w->parentWidget();
        if (!parent)
            break;
        const QPoint origin = mapFrom(parent, QPoint(0, 0));
        clip &= QRect(origin, parent->size());
        const QObjectList& siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(w)) + 1; i < siblings.size(); ++i) {
            if (!siblings[i]->isWidgetType())
                continue;
            const auto* s = static_cast<const QWidget*>(siblings[i]);
            if (s->isWindow() || !s->isVisible())
                continue;
            if (const auto* overlay = qobject_cast<const NeonOverlay*>(s))
                covered += overlay->paintedRegion().translated(origin + s->pos()) & QRect(origin + s->pos(), s->size());
            else
                covered += QRect(origin + s->pos(), s->size());
        }
        w = parent;
    }
    return covered + (QRegion(rect()) - clip);
}

bool ClockwiseNeonBorder::paintDirect(int step)
{
    // Only where Qt's own repaint is dear: a translucent window clears what
    // it repaints before painting it. The band must hold this border's frame
    // over a snapshot taken in the current theme.
    QWidget* win = window();
    if (!win || win == this || !win->testAttribute(Qt::WA_TranslucentBackground) || !hasBackgroundSnapshot()
        || m_capturePending || m_shownStep < 0 || m_appearance != m_underAppearance || m_ringUnder.empty())
        return false;
    QBackingStore* store = win->backingStore();
    QWindow* handle = win->windowHandle();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!handle || !device || device->devType() != QInternal::Image)
        return false;
    auto* image = static_cast<QImage*>(device);
    // Written in place only while the store's image is its own (bits() would copy it).
    if (!image->isDetached())
        return false;
    const qreal dpr = m_maskDpr;
    const bool opaqueStore = image->format() == QImage::Format_RGB32;
    if ((image->format() != QImage::Format_ARGB32_Premultiplied && !opaqueStore) || image->devicePixelRatio() != dpr
        || dpr != std::floor(dpr) || dpr < 1)
        return false;
    const QPoint at = mapTo(win, QPoint(0, 0));
    const QPoint origin(int(at.x() * dpr), int(at.y() * dpr));
    if (!image->rect().contains(QRect(origin, m_maskSize * dpr)))
        return false;
    // What lies above the ring's pixels is painted by Qt over the new ring
    // there (worked out again only when what lies above changed).
    const QRegion above = coveredAbove() & m_band;
    if (above != m_above || m_aboveDpr != dpr) {
        m_above = above;
        m_aboveDpr = dpr;
        m_aboveRing = QRegion();
        m_aboveRingDevice.clear();
        for (const QRect& r : above) {
            const QRect d(r.topLeft() * dpr, r.size() * dpr);
            const bool overRing = std::any_of(m_rowRuns.begin(), m_rowRuns.end(), [&](const RowRun& run) {
                return d.intersects(QRect(run.x, run.y, int(run.length), 1));
            });
            if (overRing) {
                m_aboveRingDevice.push_back(d);
                m_aboveRing += r;
            }
        }
    }
    const QRegion& covered = m_aboveRing;
    const std::vector<QRect>& coveredDevice = m_aboveRingDevice;
    const QRegion open = m_band - covered;
    if (open.isEmpty())
        return false;

    fillLut(m_appearance);
    const int shift = shiftFor(step * 360.0 / m_steps);
    const std::uint32_t* lut = m_lut.data();
    const std::uint32_t* info = m_ringInfo.data();
    const std::uint32_t* under = m_ringUnder.data();
    auto scaled = [](quint32 c, quint32 k) {
        return ((((c & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu) | ((((c >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u);
    };
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    const int imageWidth = image->width(), imageHeight = image->height();
    const size_t ringPixels = std::min(m_ringInfo.size(), m_ringUnder.size());
    for (const RowRun& run : m_rowRuns) {
        const int y = origin.y() + run.y, x = origin.x() + run.x;
        if (y < 0 || y >= imageHeight || x < 0 || x + int(run.length) > imageWidth
            || size_t(run.first) + run.length > ringPixels)
            continue;
        auto* out = reinterpret_cast<std::uint32_t*>(bits + y * stride) + x;
        // The rectangles above that meet this run (a few, near the corners).
        const QRect row(run.x, run.y, int(run.length), 1);
        bool meets = false;
        for (const QRect& r : coveredDevice)
            meets = meets || r.intersects(row);
        for (std::uint32_t i = 0; i < run.length; ++i) {
            if (meets) {
                const QPoint pixel(run.x + int(i), run.y);
                if (std::any_of(coveredDevice.begin(), coveredDevice.end(),
                                [&](const QRect& r) { return r.contains(pixel); }))
                    continue;
            }
            const std::uint32_t k = run.first + i;
            const quint32 ring = scaled(lut[((info[k] & 0xffffu) - shift) & (lutSize - 1)], info[k] >> 16);
            out[i] = (ring + scaled(under[k], 255 - (ring >> 24))) | (opaqueStore ? 0xff000000u : 0u);
        }
    }
    ++m_composes;
    ++m_directs;
    m_shownStep = step;
    store->flush(open.translated(at), handle);
    if (!covered.isEmpty()) {
        m_ownUpdate = true;
        update(covered);
    }
    return true;
}

void ClockwiseNeonBorder::advance(double now)
{
    // A snapshot is taken on a tick, never in the middle of painting (nor
    // before the border has painted since it was shown: rendering the window
    // beneath it then only delays the first frame); until then the ring is
    // drawn alone.
    if (m_capturePending && m_shownStep >= 0) {
        m_capturePending = false;
        captureBackground();
    }
    const int current = step(now, m_duration);
    if (current == m_shownStep)
        return;
    // A periodic fresh look beneath, in case something there changed unseen.
    if (hasBackgroundSnapshot() && ++m_backgroundTicks > stepsBetweenSnapshots)
        m_capturePending = true;
    // Only the ring's pixels change from one step to the next: where Qt
    // would clear and repaint the whole band, they are written in place.
    if (paintDirect(current))
        return;
    m_ownUpdate = true;
    update(m_band.isEmpty() ? QRegion(rect()) : m_band);
}

void ClockwiseNeonBorder::beneathChanged(const QRect& rect)
{
    ensureBand();
    const QRegion touched = m_band & rect;
    if (touched.isEmpty())
        return;
    dropBackground();
    m_capturePending = true;
    update(touched);
}

void ClockwiseNeonBorder::paintEvent(QPaintEvent* event)
{
    ensureMasks();
    if (m_pieces.empty())
        return;
    const QRegion& region = event->region();
    // A repaint we did not ask for, or a new theme, means the layers beneath may have changed.
    const bool foreign = !m_ownUpdate || (region != m_band && !(region - m_band).isEmpty());
    m_ownUpdate = false;
    if (foreign)
        m_appearance = AppTheme::appearance();  // a tick of ours keeps the theme of the last full paint
    const int shown = step(NeonAnimationClock::shared().now(), m_duration);
    m_shownStep = shown;
    const bool stale = !hasBackgroundSnapshot() || m_appearance != m_underAppearance;
    if (foreign || stale)
        m_capturePending = true;

    QPainter p(this);
    if (hasBackgroundSnapshot()) {
        // The band is painted whole: the frame of this step, the ring over the snapshot.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        drawBand(p, region, frameOverSnapshot(shown));
        if (stale || foreign)
            dropBackground();  // until the fresh snapshot, the layers beneath paint themselves
        return;
    }
    // The ring alone over the layers beneath.
    fillLut(m_appearance);
    const int shift = shiftFor(shown * 360.0 / m_steps);
    if (shift != m_ringOnlyShift || !m_ringOnly.valid) {
        compose(m_ringOnly, shift, false, m_ringOnly.valid);
        m_ringOnlyShift = shift;
    }
    drawBand(p, region, m_ringOnly);
}

void ClockwiseNeonBorder::resizeEvent(QResizeEvent*)
{
    buildMasks(devicePixelRatioF());
    dropBackground();
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
    m_shownStep = -1;
}

} // namespace tw
