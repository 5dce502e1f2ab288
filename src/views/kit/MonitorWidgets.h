#pragma once

// The system monitor's drawing widgets, shared by the System tab and the menu
// bar's compact monitor: a titled card, two bar gauges, a ring gauge and a
// line chart (their texts are TintedLabels). Neutral colours
// follow the theme at paint time; tints are the caller's. Setters repaint
// only when the value changes, so feeding a snapshot that changed nothing
// costs nothing.
//
//   auto* ring = new DonutMeter;
//   ring->setTint(QColor(242, 115, 64));
//   ring->setFixedHeight(120);
//   auto* body = new QWidget; auto* column = new QVBoxLayout(body); column->addWidget(ring);
//   auto* card = new DashboardCard(QStringLiteral("CPU"), body);
//   ...each snapshot: ring->setPercent(s.cpuPercent); ring->setLabel(...);

#include "state/AppAppearance.h"

#include <QList>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <vector>

namespace tw {

namespace monitorstyle {
inline constexpr qreal panelRadius = 12;
// The gauges' track: the card border at a further 45 % opacity.
QColor gaugeTrack(AppAppearance a);
// Paints a monitor panel: a rounded rectangle of radius 12 in the card fill
// with a 1 pt card border inside its edge.
void paintPanel(QPainter& p, const QRectF& rect, AppAppearance a);
// A gauge's share of its length: percent / 100 within 0...1; 0 for a
// negative percent or one that is not a number.
double fraction(double percent);
// A part of a whole as a percent, at most 100; 0 without a whole.
double usedPercent(double part, double whole);
// The load colours, the same in every theme: red from 85, orange from 60,
// green below (and for a value that is not a number).
QColor loadColour(double percent);
} // namespace monitorstyle

// A panel (see monitorstyle::paintPanel) that lays out whatever is put in it.
class MonitorPanel : public QWidget {
    Q_OBJECT
public:
    explicit MonitorPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A titled card: the title (13 pt semibold, primary text) above the content,
// 12 pt apart, 14 pt inside the panel. Takes the full width offered.
class DashboardCard : public MonitorPanel {
    Q_OBJECT
public:
    DashboardCard(const QString& title, QWidget* content, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QWidget* m_content;
};

// A horizontal gauge: a track capsule the full width and, over it from the
// leading edge, a fill capsule in the tint, never narrower than its minimum.
class GaugeBar : public QWidget {
    Q_OBJECT
public:
    double percent() const { return m_percent; }
    void setPercent(double percent);
    const QColor& tint() const { return m_tint; }
    void setTint(const QColor& tint);
    // The fill's width at the current width.
    qreal fillWidth() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    GaugeBar(int barHeight, qreal minimumFill, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;

private:
    int m_height;
    qreal m_minimumFill;
    double m_percent = 0;
    QColor m_tint;
};

// 10 pt high, a fill of at least 6 pt.
class MeterBar : public GaugeBar {
    Q_OBJECT
public:
    explicit MeterBar(QWidget* parent = nullptr) : GaugeBar(10, 6, parent) {}
};

// 8 pt high, a fill of at least 4 pt.
class UsageBar : public GaugeBar {
    Q_OBJECT
public:
    explicit UsageBar(QWidget* parent = nullptr) : GaugeBar(8, 4, parent) {}
};

// A ring gauge with a centred label (14 pt semibold, may hold several
// lines). The ring (stroke 14 pt) starts at twelve o'clock and grows
// clockwise; 8 pt of padding keep its stroke inside. The caller sets the size.
class DonutMeter : public QWidget {
    Q_OBJECT
public:
    explicit DonutMeter(QWidget* parent = nullptr);

    double percent() const { return m_percent; }
    void setPercent(double percent);
    const QString& label() const { return m_label; }
    void setLabel(const QString& label);
    void setTint(const QColor& tint);
    // The circle the ring's stroke is centred on.
    QRectF ringRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The device pixels the ring covers, for one size: their index in the
    // ring's square, how much of each the ring covers, and each one's angle
    // clockwise from twelve o'clock. Made once per size, and shared by the
    // meters of that size.
    struct RingCover {
        std::vector<int> index;
        std::vector<float> coverage;
        std::vector<float> degrees;
    };
    struct RingPixels {
        QSize side;  // of the square, in device pixels
        qreal dpr = 0;
        QRectF circle;
        std::shared_ptr<const RingCover> cover;
    };
    void measureRing(qreal dpr);
    void renderRing(AppAppearance a);

    double m_percent = 0;
    QString m_label;
    QColor m_tint;
    RingPixels m_pixels;
    QImage m_ring;  // track and arc, remade when what they show changes
    QString m_ringKey;
};

// A line through the values against a zero baseline, stroked in the tint
// (1.6 pt, round caps and joins). Fills the space offered. The line is
// rasterised once per change of values, size or tint.
class Sparkline : public QWidget {
    Q_OBJECT
public:
    explicit Sparkline(QWidget* parent = nullptr);

    const QList<double>& values() const { return m_values; }
    void setValues(const QList<double>& values);
    const QColor& tint() const { return m_tint; }
    void setTint(const QColor& tint);

    // One point per value in a box of size (origin top-left, y downwards):
    // none for fewer than two values; x spread evenly from the left edge to
    // the right one; the largest value (at least 1) at the top, 0 at the bottom.
    static QList<QPointF> normalized(const QList<double>& values, const QSizeF& size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderLine(qreal dpr);
    QList<double> m_values;
    QColor m_tint;
    QImage m_line;
};

} // namespace tw
