#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "support/ShellHarness.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonGlassPanel.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/SidebarGlyph.h"
#include "views/kit/WorkspaceCard.h"
#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceTitleBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

using namespace tw;
using namespace tw::test;

namespace {

QImage drawn(void (*draw)(QPainter&, const QSizeF&), int side)
{
    QImage img = neon::transparentImage(QSizeF(side, side), 1);
    QPainter p(&img);
    draw(p, QSizeF(side, side));
    return img;
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2
        && std::abs(a.alpha() - b.alpha()) <= 2;
}

// A plain glow host.
class Host : public QWidget {
protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        glowhost::paint(this, p, e->region());
    }
};

bool isWhite(const QColor& c)
{
    return c.alpha() > 240 && c.red() > 240 && c.green() > 240 && c.blue() > 240;
}

} // namespace

TEST(Components, DrawnIconsFollowTheirFractionsAtAnySize)
{
    for (int side : {30, 90}) {
        const QImage a = drawn(&drawAppStoreAIcon, side);
        // The square's stroke, the A's legs and crossbar are white; the middle above the bar is empty.
        EXPECT_TRUE(isWhite(a.pixelColor(int(0.5 * side), int(0.12 * side)))) << side;
        EXPECT_TRUE(isWhite(a.pixelColor(int(0.5 * side), int(0.30 * side)))) << side;
        EXPECT_TRUE(isWhite(a.pixelColor(int(0.5 * side), int(0.55 * side)))) << side;
        EXPECT_EQ(a.pixelColor(int(0.5 * side), int(0.66 * side)).alpha(), 0) << side;
        EXPECT_EQ(a.pixelColor(int(0.03 * side), int(0.5 * side)).alpha(), 0) << side;

        const QImage r = drawn(&drawRocketIcon, side);
        // The window is the blue circle; body, fins and flame are white.
        const QColor window = r.pixelColor(int(0.5 * side), int(0.36 * side));
        EXPECT_NEAR(window.redF(), 0.18, 0.02) << side;
        EXPECT_NEAR(window.greenF(), 0.40, 0.02) << side;
        EXPECT_NEAR(window.blueF(), 0.78, 0.02) << side;
        EXPECT_TRUE(isWhite(r.pixelColor(int(0.5 * side), int(0.55 * side)))) << side;
        EXPECT_TRUE(isWhite(r.pixelColor(int(0.24 * side), int(0.65 * side)))) << side;
        EXPECT_TRUE(isWhite(r.pixelColor(int(0.76 * side), int(0.65 * side)))) << side;
        EXPECT_GT(r.pixelColor(int(0.5 * side), int(0.75 * side)).alpha(), 200) << side;
        EXPECT_EQ(r.pixelColor(int(0.1 * side), int(0.2 * side)).alpha(), 0) << side;
    }
}

TEST(Components, EveryGlyphHasItsIconAndSize)
{
    EXPECT_EQ(allSidebarGlyphs().size(), 8);
    EXPECT_EQ(glyphLook(SidebarGlyph::applications).kind, GlyphLook::Kind::appStoreA);
    EXPECT_EQ(glyphLook(SidebarGlyph::startup).kind, GlyphLook::Kind::rocket);
    EXPECT_EQ(glyphLook(SidebarGlyph::updates).symbol, "arrow.triangle.2.circlepath");
    EXPECT_EQ(glyphLook(SidebarGlyph::updates).pointSize, 26);
    EXPECT_EQ(glyphLook(SidebarGlyph::network).symbol, "globe");
    EXPECT_EQ(glyphLook(SidebarGlyph::extensions).pointSize, 24);
    EXPECT_EQ(glyphLook(SidebarGlyph::settings).symbol, "gearshape.fill");
    EXPECT_EQ(glyphLook(SidebarGlyph::theme).symbol, "paintpalette.fill");
    for (SidebarGlyph g : allSidebarGlyphs()) {
        const QImage img = glyphImage(g, QColor(255, 0, 0), 0.62, 20, 1.0);
        ASSERT_EQ(img.size(), QSize(20, 20));
        int painted = 0;
        bool red = false;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const QColor c = img.pixelColor(x, y);
                painted += c.alpha() > 100;
                red = red || (c.alpha() > 100 && c.red() > 3 * c.green() + 20);
            }
        EXPECT_GT(painted, 12) << int(g);
        // Symbols take the pill's colour; the drawn icons keep their own white.
        const bool symbol = glyphLook(g).kind == GlyphLook::Kind::symbol;
        EXPECT_EQ(red, symbol) << int(g);
    }
}

TEST(Components, PillColoursFollowSelectionAndTheme)
{
    ShellHarness h;
    NeonPillButton pill(QStringLiteral("Applications"), SidebarGlyph::applications, false);
    pill.resize(144, NeonPillButton::pillHeight());
    const QColor accent = neon::rgb(0.35, 0.82, 1.0);
    EXPECT_EQ(pill.titleColour(), accent);
    EXPECT_EQ(pill.glyphColour(), neon::faded(accent, 0.85));
    pill.setSelected(true);
    EXPECT_EQ(pill.titleColour(), QColor(Qt::white));
    EXPECT_EQ(pill.glyphColour(), QColor(Qt::white));
    EXPECT_EQ(NeonPillButton::fillColour(true, AppAppearance::midnight), neon::rgb(0.10, 0.35, 0.70, 0.55));
    EXPECT_EQ(NeonPillButton::fillColour(false, AppAppearance::indigo), neon::rgb(0.08, 0.12, 0.22, 0.85));
    // The selected pill glows more strongly than the others.
    EXPECT_GT(NeonPillButton::shadows(true, AppAppearance::midnight).first().colour.alphaF(),
              NeonPillButton::shadows(false, AppAppearance::midnight).first().colour.alphaF());

    // Under indigo the accent turns to translucent white.
    h.state->theme().apply(AppAppearance::indigo, true);
    pill.setSelected(false);
    EXPECT_EQ(pill.titleColour(), neon::faded(Qt::white, 0.55));
    EXPECT_EQ(neon::edgeColour(AppAppearance::indigo), neon::rgb(0.45, 0.73, 1.0, 0.9));

    // A long title stays on one line, shortened with an ellipsis.
    NeonPillButton longPill(QStringLiteral("A very long title that cannot fit in one pill"), SidebarGlyph::network,
                            false);
    longPill.resize(144, NeonPillButton::pillHeight());
    EXPECT_TRUE(longPill.shownTitle().endsWith(QChar(0x2026)));
    EXPECT_FALSE(longPill.shownTitle().contains(u'\n'));
    EXPECT_EQ(pill.shownTitle(), QStringLiteral("Applications"));
}

TEST(Components, PillTakesClicksOnlyOnItsCapsule)
{
    ShellHarness h;
    QWidget window;
    window.resize(200, 80);
    auto* pill = new NeonPillButton(QStringLiteral("Updates"), SidebarGlyph::updates, false, &window);
    pill->setGeometry(10, 10, 144, NeonPillButton::pillHeight());
    QSignalSpy clicked(pill, &QAbstractButton::clicked);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(pill, Qt::LeftButton, {}, QPoint(72, 21));
    EXPECT_EQ(clicked.count(), 1);
    // The rounded end's outer corner lies outside the capsule.
    QTest::mouseClick(pill, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(Components, ChromeKeepsTheMiddleColumnAndTheTitleColours)
{
    ShellHarness h;
    // The window's minimum width less the sidebar.
    WorkspaceChrome chrome(QStringLiteral("Tidewell"));
    chrome.resize(1100 - 188, 680);
    chrome.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chrome));
    EXPECT_EQ(chrome.middleCard()->width(), 340);
    EXPECT_EQ(chrome.detailCard()->width(), 1100 - 188 - 28 - 340 - 12);
    EXPECT_EQ(chrome.middleCard()->geometry().left(), 14);
    EXPECT_EQ(chrome.detailCard()->geometry().right(), 1100 - 188 - 14 - 1);
    EXPECT_EQ(chrome.titleBar()->barRect().translated(chrome.titleBar()->pos()).top(), 10);
    EXPECT_EQ(chrome.middleCard()->geometry().bottom(), 680 - 14 - 1);
    // The column contents stay inside the rounded corners.
    EXPECT_GE(chrome.middle()->geometry().left(), WorkspaceCard::contentInset(AppAppearance::midnight));
    EXPECT_EQ(WorkspaceCard::contentInset(AppAppearance::indigo), 6);

    EXPECT_EQ(WorkspaceTitleBar::titleColour(AppAppearance::classic), neon::rgb(0.10, 0.22, 0.48));
    EXPECT_EQ(WorkspaceTitleBar::titleColour(AppAppearance::indigo), QColor(Qt::white));
    EXPECT_NEAR(WorkspaceTitleBar::shadows(AppAppearance::classic).last().colour.alphaF(), 0.12, 0.005);
    EXPECT_NEAR(WorkspaceTitleBar::shadows(AppAppearance::midnight).last().colour.alphaF(), 0.35, 0.005);
    EXPECT_EQ(WorkspaceCard::radius(AppAppearance::indigo), 18);

    // Painted: the middle card is its opaque fill, the title bar glows onto the gap around it.
    const QImage midnight = chrome.grab().toImage();
    EXPECT_TRUE(near(pixel(midnight, 14 + 170, 300), neon::rgb(0.07, 0.12, 0.22)));
    // The theme switch re-lays the cards out and repaints them in the new colours.
    h.state->theme().apply(AppAppearance::classic, true);
    const QImage classic = chrome.grab().toImage();
    EXPECT_TRUE(near(pixel(classic, 14 + 170, 300), QColor(Qt::white)));
    h.state->theme().apply(AppAppearance::indigo, true);
    EXPECT_EQ(chrome.middle()->geometry().left(), 6);
}

TEST(Components, GlowHostsPaintTheirCastersBeneathThem)
{
    ShellHarness h;
    Host host;
    glowhost::mark(&host);
    host.resize(400, 200);
    auto* plain = new QWidget(&host);
    auto* pill = new NeonPillButton(QStringLiteral("System"), SidebarGlyph::system, true, plain);
    pill->setGeometry(100, 80, 150, NeonPillButton::pillHeight());
    plain->setGeometry(0, 0, 400, 200);
    EXPECT_EQ(glowhost::hostOf(pill), &host);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(glowhost::casters(&host), QList<QWidget*>{pill});
    // The selected pill's glow reaches past its capsule onto the host.
    QImage img = neon::transparentImage(host.size(), 1);
    host.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_GT(qAlpha(img.pixel(175, 80 + NeonPillButton::pillHeight() + 4)), 10);
    EXPECT_EQ(qAlpha(img.pixel(5, 5)), 0);
}

// A caster's glow goes with it: hidden, moved or resized, it leaves nothing
// of its old glow on the host (Qt repaints only its rectangle).
TEST(Components, AGlowLeavesWithItsCaster)
{
    ShellHarness h;
    Host host;
    glowhost::mark(&host);
    host.setAutoFillBackground(true);
    host.resize(400, 240);
    auto* plain = new QWidget(&host);
    plain->setGeometry(0, 0, 400, 240);
    auto* pill = new NeonPillButton(QStringLiteral("System"), SidebarGlyph::system, true, plain);
    pill->setGeometry(100, 60, 150, NeonPillButton::pillHeight());
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stalePixels(&host) == 0; }, 3000));
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"hidden", [&] { pill->hide(); }},
        {"shown", [&] { pill->show(); }},
        {"moved", [&] { pill->move(120, 140); }},
        {"shrunk", [&] { pill->resize(60, NeonPillButton::pillHeight()); }},
    };
    for (const auto& c : changes) {
        c.change();
        EXPECT_TRUE(QTest::qWaitFor([&] { return stalePixels(&host) == 0; }, 3000))
            << c.what << ": " << stalePixels(&host) << " pixels of an old glow stay";
    }
}

TEST(Components, BlurSpreadsCoverageSymmetrically)
{
    // A single bright pixel spreads into a symmetric, decreasing bell.
    const int w = 41, h = 41;
    std::vector<uchar> data(size_t(w * h), 0);
    data[size_t(20 * w + 20)] = 255;
    neon::boxBlurAlpha(data.data(), w, h, 3.0);
    auto at = [&](int x, int y) { return int(data[size_t(y * w + x)]); };
    int total = 0;
    for (uchar v : data)
        total += v;
    EXPECT_GT(total, 150);
    EXPECT_LE(total, 300);
    EXPECT_EQ(at(17, 20), at(23, 20));
    EXPECT_EQ(at(20, 17), at(20, 23));
    EXPECT_GE(at(20, 20), at(22, 20));
    EXPECT_GE(at(22, 20), at(26, 20));
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_GE(neon::blurMargin(26), 39);
}

TEST(Components, BarShadowsMatchTheBlurOfTheWholeShape)
{
    // Bars too short to slice both ways are sliced along their length only;
    // the stretched middle must be exactly the whole shape's own shadow.
    struct Bar {
        QRectF rect;
        qreal radius;
        QList<neon::Shadow> shadows;
    };
    const QList<Bar> bars = {
        {QRectF(60, 60, 884, 55), 16,
         {{QColor(38, 184, 255, 204), 16, {0, 0}}, {QColor(38, 184, 255, 128), 28, {0, 4}},
          {QColor(0, 0, 0, 153), 8, {0, 4}}}},
        {QRectF(30, 30, 144, 42), 21, {{QColor(38, 184, 255, 90), 10, {0, 2}}, {QColor(0, 0, 0, 60), 4, {0, 3}}}},
        {QRectF(50, 40, 46, 520), 12, {{QColor(255, 255, 255, 120), 14, {2, 0}}}},  // sliced along its height
    };
    for (const Bar& bar : bars) {
        neon::clearImageCache();
        const QSize canvas(1040, 640);
        QImage sliced = neon::transparentImage(canvas, 1);
        {
            QPainter p(&sliced);
            neon::paintRoundedRectShadows(p, bar.rect, bar.radius, bar.shadows);
        }
        QImage whole = neon::transparentImage(canvas, 1);
        {
            QImage body = neon::transparentImage(bar.rect.size().toSize(), 1);
            QPainter b(&body);
            b.setRenderHint(QPainter::Antialiasing);
            b.fillPath(neon::roundedRect(QRectF(QPointF(0, 0), bar.rect.size()), bar.radius), Qt::black);
            b.end();
            QPainter p(&whole);
            for (const neon::Shadow& s : bar.shadows) {
                const int m = neon::blurMargin(s.radius);
                p.drawImage(bar.rect.topLeft() + s.offset - QPointF(m, m), neon::blurredTint(body, s.radius, s.colour));
            }
        }
        int differing = 0, largest = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const QRgb a = sliced.pixel(x, y), b = whole.pixel(x, y);
                if (a != b)
                    ++differing;
                largest = std::max({largest, std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                                    std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        EXPECT_EQ(differing, 0) << bar.rect.width() << "x" << bar.rect.height() << ", largest difference "
                                << largest;
        // The shadow is there at all: something lies beyond the bar's edge.
        EXPECT_GT(qAlpha(sliced.pixel(int(bar.rect.center().x()), int(bar.rect.bottom()) + 3)), 0);
    }
}

TEST(Components, APictureAskedForByManyThreadsIsDrawnOnce)
{
    neon::clearImageCache();
    std::atomic<int> draws{0};
    QSemaphore started, release;
    auto ask = [&] {
        return neon::cachedImage(QStringLiteral("test|shared"), QSize(8, 8), 1, [&](QPainter& p) {
            ++draws;
            started.release();
            release.acquire();  // held open while the others ask
            p.fillRect(QRect(0, 0, 8, 8), Qt::red);
        });
    };
    QImage first;
    std::unique_ptr<QThread> drawer(QThread::create([&] { first = ask(); }));
    drawer->start();
    started.acquire();
    std::vector<QImage> seen(3);
    std::vector<std::unique_ptr<QThread>> askers;
    for (size_t i = 0; i < seen.size(); ++i) {
        askers.emplace_back(QThread::create([&, i] { seen[i] = ask(); }));
        askers.back()->start();
    }
    release.release(int(seen.size()) + 1);
    drawer->wait();
    for (auto& t : askers)
        t->wait();
    EXPECT_EQ(draws.load(), 1);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.pixelColor(4, 4), QColor(Qt::red));
    for (const QImage& image : seen)
        EXPECT_EQ(image, first);
}

TEST(Components, ShadowsPreparedOnAnotherThreadAreThoseAPaintMakes)
{
    const QRectF rect(20, 20, 180, 44);
    const QList<neon::Shadow> shadows = {{QColor(38, 184, 255, 204), 16, {0, 0}}, {QColor(0, 0, 0, 153), 8, {0, 4}}};
    auto paint = [&] {
        QImage image = neon::transparentImage(QSizeF(240, 120), 1);
        QPainter p(&image);
        neon::paintRoundedRectShadows(p, rect, 22, shadows, 0.8);
        return image;
    };
    neon::clearImageCache();
    const QImage fresh = paint();
    neon::clearImageCache();
    std::unique_ptr<QThread> preparer(QThread::create(
        [&] { neon::prepareRoundedRectShadows(rect.size(), 22, shadows, 0.8, 1); }));
    preparer->start();
    preparer->wait();
    EXPECT_EQ(paint(), fresh);
    // Something was drawn at all.
    EXPECT_GT(qAlpha(fresh.pixel(int(rect.center().x()), int(rect.bottom()) + 3)), 0);
}
