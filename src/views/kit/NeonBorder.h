#pragma once

#include "state/AppAppearance.h"
#include "views/kit/NeonRing.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tw {

class PoolTask;

class ClockwiseNeonBorder;

// The one timer that drives every neon border: it runs only while at least
// one border is shown, and wakes just after the next step of the borders'
// rotation (a border turns in stepsPerSecond steps a second, so it repaints
// about 13 times a second, never more than 30).
class NeonAnimationClock : public QObject {
    Q_OBJECT
public:
    static NeonAnimationClock& shared();

    static constexpr int minimumIntervalMs = 34;  // at most 30 ticks a second

    // Seconds since 2001-01-01 00:00 UTC; replaceable for tests.
    double now() const;
    void setTimeSource(std::function<double()> source);

    bool isRunning() const { return m_timer.isActive(); }
    int borderCount() const { return int(m_borders.size()); }
    // Ticks since the process started (for measuring).
    qint64 ticks() const { return m_ticks; }
    // The wait from a time to the next tick (just after the nearest next step).
    int delayMs(double now) const;

    void add(ClockwiseNeonBorder* border);
    void remove(ClockwiseNeonBorder* border);

private:
    NeonAnimationClock();
    void tick();

    QTimer m_timer;
    QList<ClockwiseNeonBorder*> m_borders;
    std::function<double()> m_source;
    qint64 m_ticks = 0;
};

// A rounded-rectangle border whose angular gradient turns clockwise without
// end, with a soft glow. It fills its parent-given rectangle less margin()
// on every side (the room for the glow), takes no mouse events and paints
// nothing else. Its angle depends only on the clock and the duration, in
// whole steps of a turn.
//
// Painting: the band around the shape (bandRegion) is the only area that
// changes. Once the border has a snapshot of what lies beneath its band, it
// paints the band whole from one frame that holds the snapshot, rewriting
// only the ring's pixels at each step. Until then it paints the ring alone
// over the layers beneath.
class ClockwiseNeonBorder : public QWidget {
    Q_OBJECT
public:
    ClockwiseNeonBorder(qreal cornerRadius, qreal lineWidth, double duration, QWidget* parent = nullptr);
    ~ClockwiseNeonBorder() override;

    qreal cornerRadius() const { return m_cornerRadius; }
    qreal lineWidth() const { return m_lineWidth; }
    double duration() const { return m_duration; }
    // The overall opacity the border is shown at.
    void setOpacity(qreal opacity);
    qreal opacity() const { return m_opacity; }

    // The room kept for the glow outside the shape.
    static constexpr int margin() { return 8; }
    // Places the border over a shape rectangle given in the parent's coordinates.
    void setShapeGeometry(const QRect& shape);
    QRect shapeRect() const;

    // Steps of the rotation per second of the duration.
    // 13 keeps the soft streak travelling smoothly; each repaint of the
    // translucent window costs Qt about a millisecond whatever is drawn.
    static constexpr int stepsPerSecond = 13;
    // The number of steps in one turn of the given duration (at least one).
    static int stepsPerTurn(double duration);
    // The step (0 .. stepsPerTurn - 1) at a time in seconds since 2001-01-01 UTC.
    static int step(double secondsSinceReferenceDate, double duration);
    // The rotation in degrees at that time: the step's share of a turn.
    static double degrees(double secondsSinceReferenceDate, double duration);
    // Seconds from that time to the start of the next step.
    static double secondsToNextStep(double secondsSinceReferenceDate, double duration);
    // The gradient colour at a location from 0 to 1 along the ring.
    static QColor gradientColour(double location, AppAppearance appearance);
    // The colour at a clockwise screen angle (0 = 3 o'clock) for a rotation.
    static QColor colourAtAngle(double clockwiseDegrees, double rotation, AppAppearance appearance);

    // Renders the ring alone for a rotation into a transparent image of the
    // widget's size, with the opacity applied.
    QImage render(double rotation, AppAppearance appearance);
    // The area the border repaints on every step (the band around the shape).
    QRegion bandRegion() const { return m_band; }
    // Called by the clock: repaints the band when the step changed.
    void advance(double now);
    // What lies beneath the band changed within rect (this border's
    // coordinates), say a focus ring or a glow came or went: the band there
    // is painted over the layers beneath again until the next tick takes a
    // fresh snapshot.
    void beneathChanged(const QRect& rect);

    // Whether the band is painted from a snapshot of what lies beneath
    // (it then paints the band whole, so is opaque to Qt there).
    bool hasBackgroundSnapshot() const { return testAttribute(Qt::WA_OpaquePaintEvent); }
    // What the border last took of the window beneath its band, as an image
    // of its own size, transparent outside the band; null before the first.
    QImage snapshot() const;
    // How many snapshots this border has taken.
    int captureCount() const { return m_captures; }
    // How many times the ring has been composed into a band frame.
    int composeCount() const { return m_composes; }
    // The steps between two fresh looks beneath the band, in case something
    // there changed in the same moment as a step (so unseen).
    static constexpr int stepsBetweenSnapshots = 260;
    // How many steps were written straight into the window's backing store
    // (a translucent window; see advance()).
    int directCount() const { return m_directs; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    using Piece = neonring::Piece;
    using Run = neonring::Run;
    // The band's pixels, piece after piece, with an image over each piece.
    struct BandFrame {
        std::vector<std::uint32_t> pixels;
        std::vector<QImage> pieces;
        bool valid = false;
    };

    // Builds the band at once and packs the ring's runs on the pool.
    void buildMasks(qreal dpr);
    // Builds the masks when the size changed (ensureBand), and waits for
    // the packing (ensureMasks).
    void ensureBand();
    void ensureMasks();
    void finishPacking();
    void fillLut(AppAppearance appearance);
    static int shiftFor(double rotation);
    void prepareFrame(BandFrame& frame) const;
    // Writes the ring for a shift into a frame, over the snapshot or over
    // nothing; onBase: the frame already holds that between the ring's pixels.
    void compose(BandFrame& frame, int shift, bool overSnapshot, bool onBase);
    const BandFrame& frameOverSnapshot(int step);
    void drawBand(QPainter& p, const QRegion& region, const BandFrame& frame) const;
    void captureBackground();
    void dropBackground();
    // What of the border other widgets cover (stacked above it, or outside
    // its ancestors), in its own coordinates.
    QRegion coveredAbove() const;
    // Writes the ring of a step over the snapshot straight into the window's
    // backing store and shows it; false when that cannot be done.
    bool paintDirect(int step);

    qreal m_cornerRadius;
    qreal m_lineWidth;
    double m_duration;
    int m_steps;
    qreal m_opacity = 1.0;

    qreal m_maskDpr = 0;
    QSize m_maskSize;
    QRegion m_band;
    std::vector<Piece> m_pieces;
    // The pixels the ring covers, run by run: each one's clockwise angle
    // bucket and coverage (line and glow, with the opacity) as
    // angle | coverage << 16, and the snapshot's pixel beneath it.
    std::vector<Run> m_runs;
    // The same runs cut at row ends, with their device position in the border.
    struct RowRun {
        int x, y;
        std::uint32_t first, length;
    };
    std::vector<RowRun> m_rowRuns;
    // The runs being packed on the pool (until finishPacking takes them).
    struct Packing;
    std::shared_ptr<Packing> m_packed;
    std::unique_ptr<PoolTask> m_packing;
    // What lay above the band at the last step, and the part of it over ring pixels.
    QRegion m_above;
    qreal m_aboveDpr = 0;
    QRegion m_aboveRing;
    std::vector<QRect> m_aboveRingDevice;
    std::vector<std::uint32_t> m_ringInfo;
    std::vector<std::uint32_t> m_ringUnder;
    size_t m_bandPixels = 0;

    // The ring alone (before there is a snapshot), for the last shift drawn
    // (-1 when drawn at another rotation or from an older look-up table).
    BandFrame m_ringOnly;
    int m_ringOnlyShift = -1;
    // What lies beneath the band, in band-frame order, and the theme it was taken in.
    std::vector<std::uint32_t> m_under;
    AppAppearance m_underAppearance = AppAppearance::midnight;
    // The ring over the snapshot; it keeps the snapshot between the ring's
    // pixels, so a step rewrites only those.
    BandFrame m_frame;
    int m_frameShift = -1;

    AppAppearance m_appearance = AppAppearance::midnight;  // as read at the last full paint
    int m_shownStep = -1;
    int m_backgroundTicks = 0;
    bool m_capturePending = false;
    bool m_ownUpdate = false;
    int m_captures = 0;
    int m_composes = 0;
    int m_directs = 0;
    static constexpr int lutSize = neonring::angleBuckets;
    std::vector<std::uint32_t> m_lut;
    AppAppearance m_lutAppearance = AppAppearance::midnight;
};

} // namespace tw
