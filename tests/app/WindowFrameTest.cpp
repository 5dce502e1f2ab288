#include "app/MainWindow.h"
#include "app/WindowChrome.h"
#include "app/WindowFrame.h"
#include "menubar/SidePanel.h"
#include "support/ProgramHarness.h"
#include "views/kit/WindowDrag.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

using namespace tw;
using namespace tw::test;

namespace {

constexpr Qt::Edges kTopLeft = Qt::TopEdge | Qt::LeftEdge;
constexpr Qt::Edges kTopRight = Qt::TopEdge | Qt::RightEdge;
constexpr Qt::Edges kBottomRight = Qt::BottomEdge | Qt::RightEdge;

// A left-button drag on the native window from a point by an offset; the
// release lands where the pointer is then, wherever the window went.
void drag(QWindow* window, QPoint from, QPoint by)
{
    const QPoint target = window->mapToGlobal(from) + by;
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, from + by);
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(target));
}

// Presses at a point of the window and drags it outward, by exactly the drag
// distance first, then on in steps of five points: after each step the edges
// that follow the pointer have come its whole way, the others stay.
void expectGripHeld(QWidget* window, QPoint at, Qt::Edges follow, QPoint out)
{
    const QRect start = window->geometry();
    const QPoint press = window->mapToGlobal(at);
    const int axes = std::abs(out.x()) + std::abs(out.y());
    QWindow* handle = window->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, at);
    QPoint delta;
    for (int travel = QApplication::startDragDistance(); travel <= 40; travel += 5) {
        const int across = out.x() ? travel / axes : 0;
        delta = QPoint(out.x() * across, out.y() * (travel - across));
        QTest::mouseMove(handle, handle->mapFromGlobal(press + delta));
        const QRect expected = start.adjusted(follow & Qt::LeftEdge ? delta.x() : 0, follow & Qt::TopEdge ? delta.y() : 0,
                                              follow & Qt::RightEdge ? delta.x() : 0, follow & Qt::BottomEdge ? delta.y() : 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->geometry() == expected; }, 5000))
            << "at " << at.x() << "," << at.y() << " by " << delta.x() << "," << delta.y();
    }
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(press + delta));
}

// The window system's move and resize as a test answers them, the real
// ones back when it ends.
class SystemAsked {
public:
    SystemAsked(WindowDrag::SystemMove move, WindowDrag::SystemResize resize)
        : m_move(std::exchange(WindowDrag::systemMove(), std::move(move)))
        , m_resize(std::exchange(WindowDrag::systemResize(), std::move(resize)))
    {
    }
    ~SystemAsked()
    {
        WindowDrag::systemMove() = m_move;
        WindowDrag::systemResize() = m_resize;
    }

private:
    WindowDrag::SystemMove m_move;
    WindowDrag::SystemResize m_resize;
};

// Counts the frames the window it watches took (a move and a resize at once
// are one).
struct Placings : QObject {
    int count = 0;
    QRect last;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QRect now = static_cast<QWidget*>(watched)->geometry();
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && now != last) {
            ++count;
            last = now;
        }
        return false;
    }
};

} // namespace

TEST(WindowFrame, EdgeHitTest)
{
    const QSize size(1100, 680);
    struct Case {
        QPoint at;
        Qt::Edges expected;
    };
    const Case cases[] = {
        // The band along each edge, six points wide.
        {{0, 300}, Qt::LeftEdge},
        {{5, 300}, Qt::LeftEdge},
        {{6, 300}, {}},
        {{1094, 300}, Qt::RightEdge},
        {{1093, 300}, {}},
        {{500, 5}, Qt::TopEdge},
        {{500, 6}, {}},
        {{500, 674}, Qt::BottomEdge},
        {{500, 673}, {}},
        // The corners reach eighteen points along both edges, where the rounded
        // cut leaves something to take hold of.
        {{10, 10}, kTopLeft},
        {{17, 2}, kTopLeft},
        {{18, 2}, Qt::TopEdge},
        {{2, 18}, Qt::LeftEdge},
        {{1082, 662}, kBottomRight},
        {{1081, 662}, {}},
        // Outside the window.
        {{-1, 300}, {}},
        {{1100, 300}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(windowframe::resizeEdges(c.at, size, 6), c.expected) << c.at.x() << "," << c.at.y();
    // No band, no edges.
    EXPECT_EQ(windowframe::resizeEdges({0, 0}, size, 0), Qt::Edges());
}

// The pointers over each edge and corner are checked on the window below.
TEST(WindowFrame, TheFrameAResizeByHandMakes)
{
    const QRect start(100, 50, 1200, 800);
    const QSize minimum(1100, 680);
    struct Case {
        const char* what;
        Qt::Edges edges;
        QPoint delta;
        QRect expected;
    };
    const Case cases[] = {
        {"top edge inwards, across moves ignored", Qt::TopEdge, {7, 20}, QRect(100, 70, 1200, 780)},
        {"top left inwards, stopped at the minimum, the other corner fixed", kTopLeft, {400, 300},
         QRect(200, 170, 1100, 680)},
        {"bottom right inwards, stopped at the minimum", kBottomRight, {-500, -500}, QRect(100, 50, 1100, 680)},
        {"top right: each edge on its own", kTopRight, {-150, -10}, QRect(100, 40, 1100, 810)},
        {"nothing pressed", {}, {40, 40}, start},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowDrag::resized(start, c.edges, c.delta, minimum), c.expected) << c.what;
}

// Presses and moves as the desktop delivers them: to the native window,
// whatever widget lies under the pointer.
TEST(WindowFrame, TheMainWindowResizesFromItsEdgesAndCornersDownToItsMinimum)
{
    Program p;
    MainWindow* window = p.startShown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QWindow* handle = window->windowHandle();
    ASSERT_NE(handle, nullptr);
    window->move(100, 80);
    window->resize(1200, 760);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(1200, 760); }, 10000));
    const QPoint place = window->pos();

    // The pointer over the band shows which way the window would change,
    // over the content too; inside it is the content's own.
    const struct {
        QPoint at;
        Qt::CursorShape shape;
    } hovers[] = {{{2, 380}, Qt::SizeHorCursor},    {{1197, 380}, Qt::SizeHorCursor}, {{600, 2}, Qt::SizeVerCursor},
                  {{600, 757}, Qt::SizeVerCursor}, {{8, 8}, Qt::SizeFDiagCursor},    {{1190, 750}, Qt::SizeFDiagCursor},
                  {{1190, 8}, Qt::SizeBDiagCursor}, {{8, 750}, Qt::SizeBDiagCursor}};
    for (const auto& h : hovers) {
        QTest::mouseMove(handle, h.at);
        EXPECT_EQ(window->cursor().shape(), h.shape) << h.at.x() << "," << h.at.y();
        EXPECT_EQ(handle->cursor().shape(), h.shape) << h.at.x() << "," << h.at.y();
    }
    QTest::mouseMove(handle, {600, 380});
    EXPECT_EQ(handle->cursor().shape(), Qt::ArrowCursor);

    // Dragging the bottom right corner: that corner follows, the window stays put.
    drag(handle, {1194, 754}, {60, 40});
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(1260, 800); }, 10000)) << window->width() << "x" << window->height();
    EXPECT_EQ(window->pos(), place);

    // The top left corner inwards, past the minimum: it stops at 1100 x 680,
    // the bottom right corner where it was.
    const QRect before = window->geometry();
    drag(handle, {4, 4}, {500, 400});
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(1100, 680); }, 10000)) << window->width() << "x" << window->height();
    EXPECT_EQ(window->geometry().bottomRight(), before.bottomRight());

    // The left edge outwards: wider, the right edge where it was.
    const QRect narrow = window->geometry();
    drag(handle, {1, 300}, {-70, 20});
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->width() == 1170; }, 10000)) << window->width();
    EXPECT_EQ(window->height(), 680);
    EXPECT_EQ(window->geometry().right(), narrow.right());

    // Just inside the band the title bar still moves the window.
    const QPoint moved = window->pos();
    drag(handle, {600, 12}, {30, 20});
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->pos() == moved + QPoint(30, 20); }, 10000))
        << window->pos().x() << "," << window->pos().y();
    EXPECT_EQ(window->size(), QSize(1170, 680));

    // Maximised, it has no band.
    WindowChrome* chrome = WindowChrome::of(window);
    ASSERT_NE(chrome, nullptr);
    EXPECT_EQ(chrome->resizeEdgesAt({1, 300}), Qt::LeftEdge);
    window->showMaximized();
    EXPECT_EQ(chrome->resizeEdgesAt({1, 300}), Qt::Edges());
}

// Where the program places its windows it moves and resizes them itself, so
// that the point grabbed stays under the pointer (an X11 window manager asked
// to starts from where the pointer is by then), from exactly the drag distance
// on; the main window's background, its edges and corners, and the side panel.
TEST(WindowFrame, ThePointGrabbedStaysUnderThePointer)
{
    // A window system asked would take the drag and leave the window where it is.
    const SystemAsked asked([](QWindow*) { return true; }, [](QWindow*, Qt::Edges) { return true; });

    Program p;
    MainWindow* window = p.startShown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect start(100, 80, 1200, 760);
    const Qt::Edges all = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
    const struct {
        QPoint at;
        Qt::Edges follow;
        QPoint out;
    } grips[] = {{{600, 12}, all, {-1, 1}},          {{1, 380}, Qt::LeftEdge, {-1, 0}},
                 {{1198, 380}, Qt::RightEdge, {1, 0}}, {{600, 1}, Qt::TopEdge, {0, -1}},
                 {{600, 758}, Qt::BottomEdge, {0, 1}}, {{8, 8}, kTopLeft, {-1, -1}},
                 {{1191, 8}, kTopRight, {1, -1}},      {{8, 751}, Qt::BottomEdge | Qt::LeftEdge, {-1, 1}},
                 {{1191, 751}, kBottomRight, {1, 1}}};
    for (const auto& g : grips) {
        window->setGeometry(start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == start; }, 10000));
        expectGripHeld(window, g.at, g.follow, g.out);
    }

    SidePanel panel;
    panel.move(300, 200);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    expectGripHeld(&panel, {panel.width() / 2, 12}, all, {1, 1});
}

// Where the window system alone places windows (Wayland) it is asked to move
// or resize, but only once a press has become a drag: a click asks nothing
// (under X11 a click's release could beat the window manager's grab, and the
// window then followed the pointer until the next click).
TEST(WindowFrame, AClickAsksTheWindowSystemForNoMoveOrResize)
{
    const bool systemPlaces = std::exchange(WindowDrag::systemPlaces(), true);
    const auto placesBack = qScopeGuard([&] { WindowDrag::systemPlaces() = systemPlaces; });
    std::vector<QString> asked;
    const SystemAsked answered(
        [&](QWindow*) {
            asked.push_back("move");
            return true;
        },
        [&](QWindow*, Qt::Edges edges) {
            asked.push_back(edges == Qt::LeftEdge ? "resize left" : "resize other");
            return true;
        });

    Program p;
    MainWindow* window = p.startShown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QWindow* handle = window->windowHandle();
    const QPoint background(600, 12), edge(1, 300);
    const int jitter = QApplication::startDragDistance() / 2;
    for (const QPoint at : {background, edge}) {
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QTest::mouseMove(handle, at + QPoint(jitter, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at + QPoint(jitter, 0));
    }
    EXPECT_TRUE(asked.empty()) << asked.front().toStdString();

    drag(handle, background, {30, 20});
    drag(handle, edge, {-30, 0});
    EXPECT_EQ(asked, (std::vector<QString>{"move", "resize left"}));
}

// Escape during the program's own move or resize puts the window back where
// and how big it was at the press; the rest of that drag changes nothing, and
// the next press drags again.
TEST(WindowFrame, EscapePutsTheWindowBackAndEndsTheDrag)
{
    Program p;
    MainWindow* window = p.startShown();
    QWindow* handle = window->windowHandle();
    const QRect start(100, 80, 1200, 760);
    for (const QPoint at : {QPoint(600, 12), QPoint(1198, 380)}) {
        window->setGeometry(start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == start; }, 10000));
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QTest::mouseMove(handle, at + QPoint(40, 30));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() != start; }, 10000)) << at.x();
        QTest::keyClick(handle, Qt::Key_Escape);
        EXPECT_EQ(window->geometry(), start) << at.x();
        QTest::mouseMove(handle, at + QPoint(80, 60));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at + QPoint(80, 60));
        EXPECT_EQ(window->geometry(), start) << at.x();
    }
    drag(handle, {600, 12}, {30, 20});
    EXPECT_EQ(window->pos(), start.topLeft() + QPoint(30, 20));
}

// A move keeps the window's title strip within the screen's available area,
// below its top and above its bottom, the other edges following the pointer;
// it follows again on the way back.
TEST(WindowFrame, AMoveKeepsTheTitleStripOnTheScreen)
{
    Program p;
    MainWindow* window = p.startShownAt({100, 80});
    ASSERT_EQ(window->pos(), QPoint(100, 80));
    QWindow* handle = window->windowHandle();
    const QRect area = window->screen()->availableGeometry();
    const QPoint press = window->mapToGlobal(QPoint(600, 12));
    QTest::mousePress(handle, Qt::LeftButton, {}, {600, 12});
    const struct {
        QPoint by, pos;
    } steps[] = {{{-40, -150}, {60, area.top()}},
                 {{-40, area.height() + 100}, {60, area.bottom() + 1 - WindowDrag::titleStrip}},
                 {{-40, -50}, {60, 30}}};
    for (const auto& s : steps) {
        QTest::mouseMove(handle, handle->mapFromGlobal(press + s.by));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->pos() == s.pos; }, 10000))
            << window->pos().x() << "," << window->pos().y();
    }
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(press + QPoint(-40, -50)));
    EXPECT_EQ(window->pos(), QPoint(60, 30));
}

// A resize by the top edge stops it at the top of the available area, as a
// move does, the bottom edge staying.
TEST(WindowFrame, AResizeKeepsTheTopEdgeOnTheScreen)
{
    Program p;
    const QRect start(100, 80, 1200, 760);
    MainWindow* window = p.startShownAt(start);
    ASSERT_EQ(window->geometry(), start);
    const QRect area = window->screen()->availableGeometry();
    drag(window->windowHandle(), {600, 1}, {0, -150});
    EXPECT_EQ(window->geometry(), QRect(QPoint(100, area.top()), start.bottomRight()));
}

// While the program's own drag runs, the keyboard is its window's: Escape
// typed into another window that holds the keyboard puts the window back.
// Once the drag has ended, that window has its keys again.
TEST(WindowFrame, TheDragHoldsTheKeyboardUntilItEnds)
{
    Program p;
    const QRect start(100, 80, 1200, 760);
    MainWindow* window = p.startShownAt(start);
    ASSERT_EQ(window->geometry(), start);
    QWindow* handle = window->windowHandle();
    QLineEdit other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }, 10000));

    QTest::mousePress(handle, Qt::LeftButton, {}, {600, 12});
    QTest::mouseMove(handle, {640, 42});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() != start; }, 10000));
    QTest::keyClick(other.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(window->geometry(), start);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, {640, 42});

    drag(handle, {600, 12}, {30, 20});
    EXPECT_EQ(window->pos(), start.topLeft() + QPoint(30, 20));
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    EXPECT_EQ(other.text(), QStringLiteral("a"));
}

// Under X11 a maximised window stays put when its title bar or its
// sidebar's background is dragged, as window managers keep it.
TEST(WindowFrame, AMaximisedWindowStaysWhenDragged)
{
    ASSERT_FALSE(WindowDrag::systemPlaces());
    Program p;
    MainWindow* window = p.startShown();
    window->setMinimumSize(400, 300);  // within the test's screen
    window->showMaximized();
    const QRect maximised = window->screen()->availableGeometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == maximised; }, 10000));
    for (const QPoint at : {QPoint(600, 12), QPoint(93, 426)}) {
        drag(window->windowHandle(), at, {60, 40});
        EXPECT_EQ(window->geometry(), maximised) << at.x();
    }
}

// A resize whose release went to another window ends there: the pointer
// moving over the window with no button down resizes nothing.
TEST(WindowFrame, AResizeReleasedElsewhereEnds)
{
    Program p;
    MainWindow* window = p.startShown();
    QWindow* handle = window->windowHandle();
    window->setGeometry(100, 80, 1200, 760);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() == 1200; }, 10000));
    QTest::mousePress(handle, Qt::LeftButton, {}, {1198, 380});
    QTest::mouseMove(handle, {1238, 380});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() == 1240; }, 10000)) << window->width();
    QWindow elsewhere;
    QTest::mouseRelease(&elsewhere, Qt::LeftButton, {}, {10, 10});
    for (const int x : {1200, 1100})
        QTest::mouseMove(handle, {x, 380});
    EXPECT_EQ(window->geometry(), QRect(100, 80, 1240, 760));
}

// A move whose release went to another window ends there: the pointer
// moving over the window with no button down moves nothing, not even once
// the frame that would place it has come.
TEST(WindowFrame, AMoveReleasedElsewhereEnds)
{
    Program p;
    MainWindow* window = p.startShownAt({100, 80});
    ASSERT_EQ(window->pos(), QPoint(100, 80));
    QWindow* handle = window->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, {600, 12});
    QTest::mouseMove(handle, {640, 42});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pos() == QPoint(140, 110); }, 10000));
    QWindow elsewhere;
    QTest::mouseRelease(&elsewhere, Qt::LeftButton, {}, {10, 10});
    for (const QPoint at : {QPoint(600, 12), QPoint(500, 100)})
        QTest::mouseMove(handle, at);
    // Timers fire in the order they fall due: one of three frames from now
    // comes after the drag's frame.
    QTimer frames;
    frames.setSingleShot(true);
    frames.start(50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frames.isActive(); }, 10000));
    EXPECT_EQ(window->pos(), QPoint(140, 110));
}

// However many pointer moves come in one pass of the event loop, the window
// is placed once for them, where the last asked; a move and a resize alike.
namespace {

// The placings' clock as a test sets it, the real one back when it ends.
class HeldClock {
public:
    HeldClock()
        : m_real(std::exchange(WindowDrag::clock(), [this] { return now; }))
    {
    }
    ~HeldClock() { WindowDrag::clock() = m_real; }
    qint64 now = 1'000'000'000;

private:
    WindowDrag::Clock m_real;
};

constexpr qint64 kSecond = 1'000'000'000;

} // namespace

// However many pointer moves come within a frame of a placing, the window is
// placed once for them, where the last asked; a move and a resize alike.
TEST(WindowFrame, MovesThatComeTogetherPlaceTheWindowOnce)
{
    HeldClock clock;
    Program p;
    MainWindow* window = p.startShown();
    QWindow* handle = window->windowHandle();
    Placings placings;
    window->installEventFilter(&placings);
    const QRect start(100, 80, 1200, 760);
    const struct {
        QPoint at, step;
        QRect expected;
    } drags[] = {{{600, 12}, {10, 5}, start.translated(60, 30)}, {{1198, 380}, {10, 0}, start.adjusted(0, 0, 60, 0)}};
    for (const auto& d : drags) {
        window->setGeometry(start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == start; }, 10000));
        clock.now += kSecond;
        const QPoint press = window->mapToGlobal(d.at);
        QTest::mousePress(handle, Qt::LeftButton, {}, d.at);
        for (int i = 1; i <= 6; ++i) {
            QMouseEvent move(QEvent::MouseMove, handle->mapFromGlobal(press + d.step * i), press + d.step * i,
                             Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(handle, &move);
            if (i == 1)
                placings.count = 0;  // the first is placed at once
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->geometry() == d.expected; }, 10000)) << d.at.x();
        QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(press + d.step * 6));
        EXPECT_EQ(placings.count, 1) << d.at.x();
    }
}

// A pointer move a frame or more after the last placing places the window at
// once, with no turn of the event loop (a timer would cost a wake-up and a
// frame of lag at every move of an ordinary pointer); one sooner waits for
// the frame's end.
TEST(WindowFrame, AMoveAFrameAfterTheLastPlacingPlacesAtOnce)
{
    HeldClock clock;
    Program p;
    MainWindow* window = p.startShownAt({100, 80});
    ASSERT_EQ(window->pos(), QPoint(100, 80));
    QWindow* handle = window->windowHandle();
    const QPoint press = window->mapToGlobal(QPoint(600, 12));
    const auto moveBy = [&](QPoint by) {
        QMouseEvent move(QEvent::MouseMove, handle->mapFromGlobal(press + by), press + by, Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(handle, &move);
    };
    QTest::mousePress(handle, Qt::LeftButton, {}, {600, 12});
    moveBy({20, 10});
    EXPECT_EQ(window->pos(), QPoint(120, 90));
    clock.now += kSecond / 1000;
    moveBy({30, 15});
    EXPECT_EQ(window->pos(), QPoint(120, 90));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->pos() == QPoint(130, 95); }, 10000));
    clock.now += kSecond;
    moveBy({40, 20});
    EXPECT_EQ(window->pos(), QPoint(140, 100));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(press + QPoint(40, 20)));
}
