#pragma once

#include "app/Theme.h"

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
#include <vector>

namespace tw {

class ClockwiseNeonBorder;

// The one timer that drives every neon border: it runs only while at least
// one border is shown. It ticks 15 times a second: each repaint of the
// translucent window costs Qt close to a millisecond whatever is drawn, and
// at 30 a second the idle window would take about 3.5% of a core; at 15 the
// soft streak still travels smoothly and the cost stays under 2%.
class NeonAnimationClock : public QObject {
    Q_OBJECT
public:
    static NeonAnimationClock& shared();

    static constexpr int intervalMs = 67;  // 15 ticks a second (the cap is 30)

    // Seconds since 2001-01-01 00:00 UTC; replaceable for tests.
    double now() const;
    void setTimeSource(std::function<double()> source);

    bool isRunning() const { return m_timer.isActive(); }
    int borderCount() const { return int(m_borders.size()); }
    // Ticks since the process started (for measuring).
    qint64 ticks() const { return m_ticks; }

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
// nothing else. Its angle depends only on the clock and the duration.
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

    // The rotation for a time in seconds since 2001-01-01 UTC.
    static double degrees(double secondsSinceReferenceDate, double duration);
    // The gradient colour at a location from 0 to 1 along the ring.
    static QColor gradientColour(double location, AppAppearance appearance);
    // The colour at a clockwise screen angle (0 = 3 o'clock) for a rotation.
    static QColor colourAtAngle(double clockwiseDegrees, double rotation, AppAppearance appearance);

    // Renders the border for a rotation into an image of the widget's size,
    // with the opacity applied.
    QImage render(double rotation, AppAppearance appearance);
    // The area the border repaints on every tick (the band around the shape).
    QRegion bandRegion() const { return m_band; }
    // Called by the clock: repaints the band when the angle moved.
    void advance(double now);

    // While a border takes its snapshot of the window beneath its band,
    // widgets stacked above the borders paint nothing.
    static bool isCapturing();
    // Whether the band is painted from a snapshot of what lies beneath.
    bool hasBackgroundSnapshot() const { return !m_background.isNull(); }
    // How many snapshots this border has taken.
    int captureCount() const { return m_captures; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildMasks(qreal dpr);
    void ensureMasks();
    void fillLut(double rotation, AppAppearance appearance);
    void compose(double rotation, AppAppearance appearance, bool overBackground);
    void captureBackground();
    void scheduleCapture();
    void dropBackground();

    qreal m_cornerRadius;
    qreal m_lineWidth;
    double m_duration;
    qreal m_opacity = 1.0;

    // The pixels the ring covers, precomputed for the size: their offset in
    // the frame, their clockwise angle bucket and their line and glow coverage.
    qreal m_maskDpr = 0;
    QSize m_maskSize;
    std::vector<std::uint32_t> m_pixels;
    std::vector<std::uint16_t> m_angles;
    std::vector<std::uint8_t> m_coverage;
    QImage m_frame;
    double m_frameRotation = -1;
    AppAppearance m_frameAppearance = AppAppearance::midnight;
    qreal m_frameOpacity = -1;
    bool m_frameOverBackground = false;
    // What lies beneath the band, so a tick repaints only the band itself.
    QImage m_background;
    std::vector<std::uint32_t> m_under;
    AppAppearance m_backgroundAppearance = AppAppearance::midnight;
    int m_backgroundTicks = 0;
    bool m_capturePending = false;
    bool m_ownUpdate = false;
    int m_captures = 0;
    QRegion m_band;
    static constexpr int lutSize = 1024;
    std::vector<std::uint32_t> m_lut;
    AppAppearance m_lutAppearance = AppAppearance::midnight;
};

} // namespace tw
