#include "views/kit/MonitorWidgets.h"
#include "support/ShellHarness.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tw;
using namespace tw::test;

namespace {

const QColor kTint(242, 115, 64);

QImage grab(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

bool near(const QColor& a, const QColor& b, int slack = 3)
{
    return std::abs(a.red() - b.red()) <= slack && std::abs(a.green() - b.green()) <= slack
        && std::abs(a.blue() - b.blue()) <= slack && std::abs(a.alpha() - b.alpha()) <= slack;
}

// The colour as it lands on a ground (transparent unless given).
QColor onClear(const QColor& c, const QColor& ground = Qt::transparent)
{
    QImage one(1, 1, QImage::Format_ARGB32_Premultiplied);
    one.fill(ground);
    QPainter(&one).fillRect(0, 0, 1, 1, c);
    return one.pixelColor(0, 0);
}

// The pixel of an area that differs most from its ground: the core of a text's glyphs.
QColor strongestInk(const QImage& image, const QRect& area, const QColor& ground)
{
    QColor best = ground;
    int bestDistance = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = std::abs(c.red() - ground.red()) + std::abs(c.green() - ground.green())
                + std::abs(c.blue() - ground.blue());
            if (d > bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
    }
    return best;
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST(MonitorWidgets, GaugesTurnPercentsIntoClampedFractions)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> cases[] = {
        {0, 0}, {-5, 0}, {nan, 0}, {-inf, 0}, {25, 0.25}, {99.5, 0.995}, {100, 1}, {150, 1}, {inf, 1},
    };
    for (const auto& [percent, fraction] : cases)
        EXPECT_DOUBLE_EQ(monitorstyle::fraction(percent), fraction) << percent;
}

TEST(MonitorWidgets, BarsFillTheirFractionButNeverLessThanTheirMinimum)
{
    MeterBar meter;
    UsageBar usage;
    EXPECT_EQ(meter.sizeHint().height(), 10);
    EXPECT_EQ(usage.sizeHint().height(), 8);
    struct Case {
        int width;
        double percent;
        qreal meterFill, usageFill;
    };
    const Case cases[] = {
        {200, 0, 6, 4},     {200, -5, 6, 4},   {200, std::nan(""), 6, 4}, {200, 50, 100, 100},
        {200, 150, 200, 200}, {200, 2, 6, 4},  {200, 2.5, 6, 5},          {3, 100, 6, 4},
    };
    for (const Case& c : cases) {
        meter.resize(c.width, 10);
        usage.resize(c.width, 8);
        meter.setPercent(c.percent);
        usage.setPercent(c.percent);
        EXPECT_DOUBLE_EQ(meter.fillWidth(), c.meterFill) << c.width << " " << c.percent;
        EXPECT_DOUBLE_EQ(usage.fillWidth(), c.usageFill) << c.width << " " << c.percent;
    }

    ShellHarness shell;
    meter.resize(200, 10);
    meter.setTint(kTint);
    meter.setPercent(50);
    const QImage image = grab(meter);
    EXPECT_TRUE(near(image.pixelColor(60, 5), kTint));
    EXPECT_TRUE(near(image.pixelColor(150, 5), onClear(monitorstyle::gaugeTrack(AppAppearance::midnight))));
    // The fill follows the width at every layout pass.
    meter.resize(400, 10);
    EXPECT_TRUE(near(grab(meter).pixelColor(190, 5), kTint));
}

TEST(MonitorWidgets, RingStartsAtTwelveAndGrowsClockwise)
{
    ShellHarness shell;
    DonutMeter ring;
    ring.resize(140, 140);
    ring.setTint(kTint);
    const QRectF circle = ring.ringRect();
    EXPECT_EQ(circle, QRectF(8, 8, 124, 124));
    // A point on the ring at an angle measured clockwise from twelve o'clock.
    auto on = [&](const QImage& image, double degrees) {
        const double r = circle.width() / 2, t = degrees * M_PI / 180;
        return image.pixelColor(int(circle.center().x() + r * std::sin(t)), int(circle.center().y() - r * std::cos(t)));
    };
    const QColor track = onClear(monitorstyle::gaugeTrack(AppAppearance::midnight));
    struct Case {
        double percent;
        QList<double> tinted, untinted;
    };
    const Case cases[] = {
        {0, {}, {20, 90, 180, 270}},
        {25, {20, 45, 70}, {110, 180, 270, 340}},
        {50, {45, 135}, {225, 315}},
        {100, {45, 135, 225, 315}, {}},
        {180, {45, 135, 225, 315}, {}},
    };
    for (const Case& c : cases) {
        ring.setPercent(c.percent);
        const QImage image = grab(ring);
        for (double d : c.tinted)
            EXPECT_TRUE(near(on(image, d), kTint)) << c.percent << "% at " << d;
        for (double d : c.untinted)
            EXPECT_TRUE(near(on(image, d), track)) << c.percent << "% at " << d;
    }
    // The stroke stays inside the widget; its label is drawn as given.
    const QImage image = grab(ring);
    EXPECT_EQ(image.pixelColor(0, 70).alpha(), 0);
    EXPECT_GT(image.pixelColor(2, 70).alpha(), 0);
    ring.setLabel(QStringLiteral("37% CPU"));
    EXPECT_EQ(ring.label(), QStringLiteral("37% CPU"));
}

TEST(MonitorWidgets, SparklinePointsSpanTheBoxAgainstAZeroBaseline)
{
    const QSizeF box(100, 50);
    struct Case {
        QList<double> values;
        QList<QPointF> points;
    };
    const Case cases[] = {
        {{}, {}},
        {{42}, {}},
        {{0.2, 0.4}, {{0, 40}, {100, 30}}},
        {{10, 50}, {{0, 40}, {100, 0}}},
        {{0, 0, 0}, {{0, 50}, {50, 50}, {100, 50}}},
        {{1, 4, 2, 0, 4}, {{0, 37.5}, {25, 0}, {50, 25}, {75, 50}, {100, 0}}},
        {{-2, 1}, {{0, 150}, {100, 0}}},
    };
    for (const Case& c : cases) {
        const QList<QPointF> points = Sparkline::normalized(c.values, box);
        ASSERT_EQ(points.size(), c.points.size());
        for (qsizetype i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x(), c.points[i].x(), 1e-9);
            EXPECT_NEAR(points[i].y(), c.points[i].y(), 1e-9);
        }
    }

    Sparkline line;
    line.resize(100, 40);
    line.setTint(kTint);
    line.setValues({0, 100});
    QImage image = grab(line);
    EXPECT_GT(image.pixelColor(50, 20).alpha(), 150);
    EXPECT_EQ(image.pixelColor(80, 5).alpha(), 0);
    line.setValues({7});
    image = grab(line);
    QImage clear(image.size(), image.format());
    clear.fill(Qt::transparent);
    EXPECT_EQ(image, clear) << "nothing drawn for one value";
}

TEST(MonitorWidgets, PanelsAndTextFollowTheTheme)
{
    ShellHarness shell;
    auto* content = new QWidget;
    content->setFixedHeight(40);
    DashboardCard card(QStringLiteral("RAM"), content);
    card.resize(300, 120);
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic, AppAppearance::indigo}) {
        shell.state->theme().apply(a, true);
        const QImage image = grab(card);
        EXPECT_TRUE(near(image.pixelColor(150, 100), AppTheme::cardFill(a))) << rawValue(a).toStdString();
        EXPECT_TRUE(near(image.pixelColor(150, 0), onClear(AppTheme::cardStroke(a), AppTheme::cardFill(a))))
            << rawValue(a).toStdString();
        // The title's ink is the theme's primary text colour.
        EXPECT_TRUE(near(strongestInk(image, QRect(14, 14, 60, 16), AppTheme::cardFill(a)), AppTheme::primaryText(a), 16))
            << rawValue(a).toStdString();
    }
    // The title sits above the content, 12 pt apart, all 14 pt inside the card.
    card.layout()->activate();
    EXPECT_EQ(content->geometry().left(), 14);
    EXPECT_GT(content->geometry().top(), 14 + 12);
    EXPECT_EQ(card.width() - content->geometry().right() - 1, 14);
}

TEST(MonitorWidgets, UnchangedValuesDoNotRepaint)
{
    ShellHarness shell;
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* bar = new MeterBar;
    auto* ring = new DonutMeter;
    auto* line = new Sparkline;
    column->addWidget(bar);
    column->addWidget(ring);
    column->addWidget(line);
    window.resize(200, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bar->setPercent(40);
    ring->setPercent(40);
    ring->setLabel("40%");
    line->setValues({1, 2});
    QApplication::processEvents();
    PaintCounter counter;
    for (QWidget* w : {static_cast<QWidget*>(bar), static_cast<QWidget*>(ring), static_cast<QWidget*>(line)})
        w->installEventFilter(&counter);

    bar->setPercent(40);
    ring->setPercent(40);
    ring->setLabel("40%");
    line->setValues({1, 2});
    bar->setPercent(150);
    bar->setPercent(100);  // the same fill as 150
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);  // the bar, once

    ring->setPercent(41);
    line->setValues({1, 3});
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 3);
}

TEST(MonitorWidgets, RingsOfOneSizeDrawAlikeWhateverWasMeasuredBetween)
{
    ShellHarness shell;
    auto meter = [](int side) {
        auto ring = std::make_unique<DonutMeter>();
        ring->resize(side, side);
        ring->setTint(kTint);
        ring->setPercent(40);
        return ring;
    };
    const auto first = meter(140);
    const QImage before = grab(*first);
    // Meters of other sizes, more of them than are remembered, each on its own circle.
    for (int side : {100, 110, 120, 130, 150, 160}) {
        const auto other = meter(side);
        const QImage image = grab(*other);
        const QRectF circle = other->ringRect();
        EXPECT_TRUE(near(image.pixelColor(int(circle.center().x()), int(circle.top())), kTint)) << side;
        EXPECT_EQ(image.pixelColor(0, side / 2).alpha(), 0) << side;
        EXPECT_GT(image.pixelColor(int(circle.left()), side / 2).alpha(), 0) << side;
    }
    EXPECT_EQ(grab(*meter(140)), before);
    EXPECT_EQ(grab(*first), before);
}
