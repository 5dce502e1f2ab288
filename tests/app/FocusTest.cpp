#include "app/IconSidebar.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "state/AppNavigation.h"
#include "views/kit/NeonGlassPanel.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonPillButton.h"
#include "support/ProgramHarness.h"

#include <QApplication>
#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QScreen>
#include <gtest/gtest.h>


using namespace tw;
using namespace tw::test;

namespace {

// Borders stand still, so that two pictures of the same state are equal.
struct StillBorders {
    StillBorders() { NeonAnimationClock::shared().setTimeSource([] { return 1000.0; }); }
    ~StillBorders() { NeonAnimationClock::shared().setTimeSource({}); }
};

// What the window shows on screen (its backing store) around a widget: the
// widget's rectangle and room for a ring or glow around it.
QImage shownAround(MainWindow* window, QWidget* w, int room = 8)
{
    const QRect r = QRect(w->mapTo(window, QPoint(0, 0)), w->size()).adjusted(-room, -room, room, room) & window->rect();
    return window->screen()->grabWindow(window->winId(), r.x(), r.y(), r.width(), r.height()).toImage();
}

// Pixels that differ clearly (more than a rounding step in some channel).
int differingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return std::max(a.width() * a.height(), b.width() * b.height());
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > 24 || std::abs(p.green() - q.green()) > 24 || std::abs(p.blue() - q.blue()) > 24)
                ++n;
        }
    return n;
}

// The focus stops Tab visits from the window, in order, once round.
QList<QWidget*> tabStops(MainWindow* window)
{
    window->setFocus(Qt::OtherFocusReason);
    QList<QWidget*> stops;
    for (int i = 0; i < 80; ++i) {
        QWidget* from = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(from, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || now == window || stops.contains(now))
            break;
        stops << now;
    }
    return stops;
}

std::string describe(QWidget* w)
{
    return (QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName()).toStdString();
}

bool inSidebar(MainWindow* window, QWidget* w)
{
    return window->mainView()->sidebar()->isAncestorOf(w);
}

// Waits until the picture around w (with room) stops changing and returns it.
QImage settled(MainWindow* window, QWidget* w, int room = 8)
{
    QImage last = shownAround(window, w, room);
    QImage now;
    const bool steady = QTest::qWaitFor([&] {
        now = shownAround(window, w, room);
        const bool same = differingPixels(now, last) == 0;
        last = now;
        return same;
    }, 2000);
    EXPECT_TRUE(steady) << describe(w);
    return now;
}

} // namespace

TEST(Focus, TabVisitsTheSidebarThenTheContentAndNeverAScrollArea)
{
    StillBorders still;
    Program p;
    p.fake.tree().makeApp("/Applications/Notes Plus.app", "com.example.notes", "Notes Plus", "2.1");
    MainWindow* window = p.startShown();
    for (SidebarTab tab : allCases<SidebarTab>()) {
        SCOPED_TRACE(rawValue(tab).toStdString());
        p.navigation().setTab(tab);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
        const QList<QWidget*> stops = tabStops(window);
        // The eight pills first, from the top.
        ASSERT_GE(stops.size(), 8);
        for (int i = 0; i < 8; ++i)
            EXPECT_TRUE(qobject_cast<NeonPillButton*>(stops[i])) << describe(stops[i]);
        const QList<QWidget*> content = stops.mid(8);
        for (QWidget* w : content) {
            EXPECT_TRUE(window->mainView()->workspace()->isAncestorOf(w)) << describe(w);
            // A scroll area shows no focus and takes no typing: not a stop.
            EXPECT_FALSE(qobject_cast<QAbstractScrollArea*>(w)) << describe(w);
        }
        // Where a tab has a search field, it is the first stop of the content.
        const auto fields = window->mainView()->workspace()->findChildren<QLineEdit*>();
        const bool searchShown = std::any_of(fields.begin(), fields.end(), [](QLineEdit* f) { return f->isVisible(); });
        if (searchShown) {
            ASSERT_FALSE(content.isEmpty());
            EXPECT_TRUE(qobject_cast<QLineEdit*>(content.first())) << describe(content.first());
        }
    }
}

TEST(Focus, EveryStopInTheContentShowsWhereItIs)
{
    StillBorders still;
    Program p;
    p.fake.tree().makeApp("/Applications/Notes Plus.app", "com.example.notes", "Notes Plus", "2.1");
    MainWindow* window = p.startShown();
    int checked = 0;
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic}) {
        p.app->state().theme().apply(a, true);
        for (SidebarTab tab : allCases<SidebarTab>()) {
            SCOPED_TRACE(rawValue(a).toStdString() + " " + rawValue(tab).toStdString());
            p.navigation().setTab(tab);
            ASSERT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
            for (QWidget* w : tabStops(window)) {
                if (inSidebar(window, w))
                    continue;
                window->setFocus(Qt::OtherFocusReason);
                const QImage plain = settled(window, w);
                w->setFocus(Qt::TabFocusReason);
                // A caret blinks: some moment shows it.
                EXPECT_TRUE(QTest::qWaitFor([&] { return differingPixels(shownAround(window, w), plain) > 8; }, 3000))
                    << describe(w) << " shows no focus";
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 8);  // the search fields, the switch and the buttons of the tabs
}

TEST(Focus, TheRingAroundAPillIsWholeAndLeavesNothingBehind)
{
    StillBorders still;
    Program p;
    MainWindow* window = p.startShown();
    IconSidebar* sidebar = window->mainView()->sidebar();
    NeonPillButton* first = sidebar->tabPills().first();
    auto* border = sidebar->panel()->findChild<ClockwiseNeonBorder*>();
    ASSERT_NE(border, nullptr);
    // The pill's top corners, where the ring passes under the border's band.
    const QRect corner = QRect(first->mapTo(window, QPoint(-6, -6)), QSize(24, 14));
    auto shownCorner = [&] {
        return window->screen()->grabWindow(window->winId(), corner.x(), corner.y(), corner.width(), corner.height()).toImage();
    };
    ASSERT_TRUE(border->bandRegion().translated(border->mapTo(window, QPoint(0, 0))).intersects(corner));

    window->setFocus(Qt::OtherFocusReason);
    const QImage before = settled(window, first);
    const QImage cornerBefore = shownCorner();
    const int captures = border->captureCount();
    QTest::keyClick(window, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), first);
    EXPECT_TRUE(QTest::qWaitFor([&] { return differingPixels(shownCorner(), cornerBefore) > 4; }, 3000))
        << "the ring is cut where the border's band lies";
    // The border takes a fresh picture of what lies beneath: the ring in it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->captureCount() > captures; }, 5000));
    settled(window, first);
    window->setFocus(Qt::OtherFocusReason);  // the focus moves on
    EXPECT_TRUE(QTest::qWaitFor([&] { return differingPixels(shownAround(window, first), before) == 0; }, 3000))
        << differingPixels(shownAround(window, first), before) << " pixels of the ring stay behind";
}
