#include "state/SharedState.h"
#include "state/Theme.h"
#include "support/FakePlatform.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/ClickableRow.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TextButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QSet>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>

using namespace tw;
using namespace tw::test;

namespace {

struct Themed {
    FakePlatform fake;
    SharedState state{fake.platform()};
};

// A shown, active window holding widgets side by side.
struct Window {
    QWidget window;
    QHBoxLayout* row = new QHBoxLayout(&window);

    template <class W>
    W* add(W* w)
    {
        row->addWidget(w);
        return w;
    }
    void show()
    {
        window.resize(600, 80);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

FocusRing* ringAround(QWidget* w)
{
    for (FocusRing* ring : w->parentWidget()->findChildren<FocusRing*>(Qt::FindDirectChildrenOnly))
        if (ring->isVisible() && ring->geometry().contains(w->geometry()))
            return ring;
    return nullptr;
}

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// Each kind of kit control is a Tab stop, never a click stop, shows the
// ring while it has the focus, and Space and Return each act on it once.
TEST(KeyboardStops, SpaceAndReturnActOnEveryKindOfControl)
{
    Themed themed;
    Window w;
    int pushes = 0, symbols = 0, links = 0;
    bool switchOn = false, boxOn = false;
    int segment = 0;
    auto* push = w.add(new PushButton(QStringLiteral("Remove"), PushButton::Style::prominent));
    QObject::connect(push, &QAbstractButton::clicked, [&] { ++pushes; });
    auto* symbol = w.add(new SymbolButton({QStringLiteral("magnifyingglass"), 14, Tint::primary}));
    QObject::connect(symbol, &QAbstractButton::clicked, [&] { ++symbols; });
    auto* link = w.add(new TextButton(QStringLiteral("Show all"), Tint::accent, QFont()));
    QObject::connect(link, &QAbstractButton::clicked, [&] { ++links; });
    auto* toggle = w.add(new NeonSwitch({[&] { return switchOn; }, [&](bool on) { switchOn = on; }},
                                        NeonSwitch::Size::regular));
    auto* box = w.add(new AppKitCheckbox({[&] { return boxOn; }, [&](bool on) { boxOn = on; }}));
    auto* segments = w.add(new SegmentedControl({QStringLiteral("Apps"), QStringLiteral("Remains")}));
    segments->bind({[&] { return segment; }, [&](int i) { segment = i; }});
    auto* pullDown = w.add(new PullDownButton({QStringLiteral("Name"), QStringLiteral("Size")}));
    w.show();

    struct Case {
        const char* kind;
        QAbstractButton* stop;
        std::function<int()> acted;  // how many times it acted so far
    };
    const QList<Case> cases{
        {"push button", push, [&] { return pushes; }},
        {"symbol button", symbol, [&] { return symbols; }},
        {"text button", link, [&] { return links; }},
        {"switch", toggle, [&, flips = 0, last = false]() mutable { return flips += std::exchange(last, switchOn) != switchOn; }},
        {"check box", box, [&, flips = 0, last = false]() mutable { return flips += std::exchange(last, boxOn) != boxOn; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(c.stop->focusPolicy(), Qt::TabFocus);
        c.stop->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(c.stop->hasFocus());
        EXPECT_NE(ringAround(c.stop), nullptr) << "no ring while focused";
        QTest::keyClick(c.stop, Qt::Key_Space);
        EXPECT_EQ(c.acted(), 1);
        QTest::keyClick(c.stop, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.acted() == 2; }, 2000)) << "Return did not act";
        QTest::keyClick(c.stop, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.acted() == 3; }, 2000)) << "Enter did not act";
        // A modifier makes it no press.
        QTest::keyClick(c.stop, Qt::Key_Return, Qt::ControlModifier);
        QCoreApplication::processEvents();
        EXPECT_FALSE(c.stop->isDown()) << "a press is under way";
        EXPECT_EQ(c.acted(), 3);
    }
    // The ring leaves with the focus.
    QWidget* last = box;
    segments->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ringAround(last), nullptr);
    EXPECT_NE(ringAround(segments), nullptr);

    // The segments: the arrows move over them, Space or Return chooses.
    EXPECT_EQ(segments->keySegment(), 0);
    QTest::keyClick(segments, Qt::Key_Left);
    EXPECT_EQ(segments->keySegment(), 0);
    QTest::keyClick(segments, Qt::Key_Right);
    EXPECT_EQ(segments->keySegment(), 1);
    EXPECT_EQ(segment, 0) << "moving is no choice";
    QTest::keyClick(segments, Qt::Key_Space);
    EXPECT_EQ(segment, 1);
    QTest::keyClick(segments, Qt::Key_Left);
    QTest::keyClick(segments, Qt::Key_Return);
    EXPECT_EQ(segment, 0);
    // Right to left the first segment lies on the right: Left goes on to the second.
    segments->setLayoutDirection(Qt::RightToLeft);
    EXPECT_GE(segments->segmentRect(0).left(), segments->segmentRect(1).right());
    EXPECT_EQ(segments->segmentAt(segments->segmentRect(1).center().toPoint()), 1);
    QTest::keyClick(segments, Qt::Key_Left);
    EXPECT_EQ(segments->keySegment(), 1);

    // The pull-down opens its menu on the current choice.
    pullDown->setCurrent(1);
    pullDown->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pullDown, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pullDown->menu()->isVisible(); }, 2000));
    EXPECT_EQ(pullDown->menu()->activeAction(), pullDown->menu()->actions().value(1));
    const QRect button(pullDown->mapToGlobal(QPoint(0, 0)), pullDown->size());
    EXPECT_EQ(pullDown->menu()->geometry().left(), button.left());
    EXPECT_FALSE(pullDown->menu()->isRightToLeft());
    pullDown->menu()->close();
    // One in a window shown right to left: its menu, a window of its own,
    // reads so too and opens from the button's right edge.
    w.window.setLayoutDirection(Qt::RightToLeft);
    w.window.move(150, 100);  // room for the menu left of the button
    auto* later = w.add(new PullDownButton({QStringLiteral("Name"), QStringLiteral("Size")}));
    later->show();
    later->setFocus(Qt::TabFocusReason);
    QTest::keyClick(later, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return later->menu()->isVisible(); }, 2000));
    EXPECT_TRUE(later->menu()->isRightToLeft());
    EXPECT_EQ(later->menu()->geometry().right(), QRect(later->mapToGlobal(QPoint(0, 0)), later->size()).right());
    later->menu()->close();
}

// The ring reads on the panels of each theme and differs from the selection's stroke.
TEST(FocusRing, ReadsInEveryThemeAndIsNoSelectionColour)
{
    for (AppAppearance a : allCases<AppAppearance>()) {
        SCOPED_TRACE(rawValue(a).toStdString());
        const QColor ring = focusring::colour(a);
        // Non-text contrast of at least 3:1 against the panels and the cards.
        EXPECT_GE(contrast(ring, AppTheme::panelBase(a)), 3.0);
        EXPECT_GE(contrast(ring, AppTheme::cardFill(a)), 3.0);
        // And apart from the fill of a chosen control (the accent).
        EXPECT_GE(contrast(ring, AppTheme::accent(a)), 1.5);
        // The separator sets the ring off a control of the accent's colour.
        EXPECT_GE(contrast(ring, focusring::separator(a)), 3.0);
        const QColor selection = AppTheme::selectionStroke(a);
        EXPECT_GT(std::abs(ring.lightnessF() - selection.lightnessF()) + std::abs(ring.hsvSaturationF() - selection.hsvSaturationF()),
                  0.2);
    }
}

namespace {

// A list of headers (QLabel) and clickable rows, each with a box at its
// leading side and two buttons at its trailing side, mirrored right to
// left; every row ending in 5 is a group that folds.
class Row : public ClickableRow, public FoldingRow {
public:
    Row()
    {
        box = new PushButton(QStringLiteral("Box"), PushButton::Style::bordered, this);
        first = new PushButton(QStringLiteral("One"), PushButton::Style::bordered, this);
        second = new PushButton(QStringLiteral("Two"), PushButton::Style::bordered, this);
        connect(box, &QAbstractButton::clicked, this, [this] { actions << QStringLiteral("box %1").arg(bound); });
        connect(first, &QAbstractButton::clicked, this, [this] { actions << QStringLiteral("one %1").arg(bound); });
        connect(second, &QAbstractButton::clicked, this, [this] { actions << QStringLiteral("two %1").arg(bound); });
        connect(this, &ClickableRow::clicked, this, [this] { actions << QStringLiteral("row %1").arg(bound); });
        Mirror::resizeOnDirectionChange(this);
    }
    void resizeEvent(QResizeEvent*) override
    {
        const Mirror m(*this);
        m.place(box, QRect(8, 8, 24, 24));
        m.place(first, QRect(width() - 120, 8, 50, 24));
        m.place(second, QRect(width() - 60, 8, 50, 24));
    }
    std::optional<bool> isFolded(int) const override
    {
        return bound % 10 == 5 ? std::optional<bool>(!open.contains(bound)) : std::nullopt;
    }
    void setFolded(int, bool folded) override
    {
        actions << QStringLiteral("%1 %2").arg(folded ? "fold" : "unfold").arg(bound);
        if (folded)
            open.remove(bound);
        else
            open.insert(bound);
    }
    PushButton* box;
    PushButton* first;
    PushButton* second;
    int bound = -1;
    static inline QStringList actions;
    static inline QSet<int> open;
};

struct ListFixture {
    Themed themed;
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    LazyList* list = new LazyList(&window);
    QLineEdit* after = new QLineEdit(&window);

    ListFixture(int count)
    {
        Row::actions.clear();
        Row::open.clear();
        auto* column = new QVBoxLayout(&window);
        column->addWidget(before);
        column->addWidget(list, 1);
        column->addWidget(after);
        list->setSpacing(8);
        list->setPadding({10, 10, 10, 10});
        list->setRows({
            // Every tenth row is a header.
            .kind = [](int row) { return row % 10 == 0 ? 0 : 1; },
            .height = [](int row, int) { return row % 10 == 0 ? 24 : 40; },
            .make = [](int kind) -> QWidget* { return kind == 0 ? static_cast<QWidget*>(new QLabel) : new Row; },
            .bind = [](QWidget* w, int row) {
                if (auto* r = dynamic_cast<Row*>(w))
                    r->bound = row;
            },
        });
        list->reset(count);
        window.resize(360, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // The row and the stop the keyboard is on: "row 3", "box 3", "one 3", "two 3".
    QString place() const
    {
        QWidget* stop = list->currentStop();
        const auto* row = dynamic_cast<const Row*>(list->widgetFor(list->currentPlace().row));
        if (!stop || !row)
            return QStringLiteral("none");
        const QString what = stop == row          ? QStringLiteral("row")
            : stop == row->box                    ? QStringLiteral("box")
            : stop == row->first                  ? QStringLiteral("one")
                                                  : QStringLiteral("two");
        return what + u' ' + QString::number(row->bound);
    }
    void key(int k) { QTest::keyClick(list, Qt::Key(k)); }
    // Presses k on the list; the place it leaves the keyboard on.
    QString placeAfter(int k)
    {
        key(k);
        return place();
    }
};

} // namespace

TEST(ListKeyboard, TabEntersTheListWithoutActingAndArrowsMoveThroughItsStops)
{
    ListFixture f(1000);
    f.before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(f.before, Qt::Key_Tab);
    ASSERT_TRUE(f.list->hasFocus());
    // Entering shows the first row with a stop and does nothing to it.
    EXPECT_EQ(f.place(), QStringLiteral("row 1"));
    EXPECT_TRUE(f.list->showsPlace());
    EXPECT_TRUE(Row::actions.isEmpty());

    EXPECT_EQ(f.placeAfter(Qt::Key_Down), QStringLiteral("row 2"));
    EXPECT_EQ(f.placeAfter(Qt::Key_Right), QStringLiteral("one 2"));
    f.key(Qt::Key_Right);
    f.key(Qt::Key_Right);  // stays on the last
    EXPECT_EQ(f.place(), QStringLiteral("two 2"));
    // The column is kept going down, past a header.
    for (int i = 0; i < 8; ++i)
        f.key(Qt::Key_Down);
    EXPECT_EQ(f.place(), QStringLiteral("two 11"));
    EXPECT_EQ(f.placeAfter(Qt::Key_Up), QStringLiteral("two 9"));
    EXPECT_TRUE(Row::actions.isEmpty()) << "moving acts on nothing";

    // Space and Return act on the stop under the ring.
    f.key(Qt::Key_Space);
    f.key(Qt::Key_Left);
    f.key(Qt::Key_Return);
    f.key(Qt::Key_Left);
    f.key(Qt::Key_Enter);
    EXPECT_EQ(Row::actions, (QStringList{"two 9", "one 9", "row 9"}));

    // End reaches the last row, scrolled into view, with widgets for the rows in view only.
    EXPECT_EQ(f.placeAfter(Qt::Key_End), QStringLiteral("row 999"));
    EXPECT_LT(f.list->madeCount(), 30);
    EXPECT_EQ(f.placeAfter(Qt::Key_Down), QStringLiteral("row 999"));
    EXPECT_EQ(f.placeAfter(Qt::Key_Home), QStringLiteral("row 1"));
    EXPECT_EQ(f.placeAfter(Qt::Key_Up), QStringLiteral("row 1"));

    // Tab leaves the list (its rows' buttons are no stops); Shift+Tab comes back to the same place.
    for (int row : f.list->shownRows())
        for (QAbstractButton* b : f.list->widgetFor(row)->findChildren<QAbstractButton*>())
            EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    QTest::keyClick(f.list, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.after);
    EXPECT_FALSE(f.list->showsPlace());
    QTest::keyClick(f.after, Qt::Key_Backtab);
    EXPECT_TRUE(f.list->hasFocus());
    EXPECT_EQ(f.place(), QStringLiteral("row 1"));

    // A list that shrinks under the place keeps it within; an empty one is no stop.
    f.key(Qt::Key_End);
    f.list->reset(15);
    EXPECT_EQ(f.placeAfter(Qt::Key_Up), QStringLiteral("row 13"));
    f.list->reset(0);
    EXPECT_EQ(f.list->focusPolicy(), Qt::NoFocus);
}

// A click moves the place without the ring; the arrows go on from there,
// Left and Right to the nearest stop on screen in their direction, the
// leading box included, in both directions.
TEST(ListKeyboard, AClickMovesThePlaceAndTheArrowsFollowTheScreen)
{
    for (bool rtl : {false, true}) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        ListFixture f(40);
        if (rtl)
            f.window.setLayoutDirection(Qt::RightToLeft);
        QWidget* row5 = f.list->widgetFor(5);
        ASSERT_NE(row5, nullptr);
        QTest::mouseClick(row5, Qt::LeftButton, {}, row5->rect().center());
        EXPECT_EQ(Row::actions, QStringList{"row 5"});
        EXPECT_TRUE(f.list->hasFocus());
        EXPECT_FALSE(f.list->showsPlace()) << "a click shows no focus ring";
        EXPECT_EQ(f.placeAfter(Qt::Key_Down), QStringLiteral("row 6"));
        EXPECT_TRUE(f.list->showsPlace());
        // Toward the buttons: the nearer first, then the other; past it, nothing.
        const int toButtons = rtl ? Qt::Key_Left : Qt::Key_Right;
        const int toBox = rtl ? Qt::Key_Right : Qt::Key_Left;
        EXPECT_EQ(f.placeAfter(toButtons), QStringLiteral("one 6"));
        EXPECT_EQ(f.placeAfter(toButtons), QStringLiteral("two 6"));
        EXPECT_EQ(f.placeAfter(toButtons), QStringLiteral("two 6"));
        EXPECT_EQ(f.placeAfter(toBox), QStringLiteral("one 6"));
        EXPECT_EQ(f.placeAfter(toBox), QStringLiteral("row 6"));
        // Toward the box at the row's leading side, and back.
        EXPECT_EQ(f.placeAfter(toBox), QStringLiteral("box 6"));
        EXPECT_EQ(f.placeAfter(toBox), QStringLiteral("box 6"));
        EXPECT_EQ(f.placeAfter(toButtons), QStringLiteral("row 6"));
        EXPECT_EQ(Row::actions, QStringList{"row 5"}) << "moving acts on nothing";
    }
}

// On a group's first stop Right unfolds it and Left folds it, as in a tree
// (mirrored right to left); once it is open the arrows go on to the stops
// as they lie, and on a row that does not fold they only move.
TEST(ListKeyboard, LeftAndRightFoldAGroupOnItsFirstStop)
{
    for (bool rtl : {false, true}) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        ListFixture f(40);
        if (rtl)
            f.window.setLayoutDirection(Qt::RightToLeft);
        const int forward = rtl ? Qt::Key_Left : Qt::Key_Right;
        const int back = rtl ? Qt::Key_Right : Qt::Key_Left;
        f.list->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 4; ++i)
            f.key(Qt::Key_Down);
        ASSERT_EQ(f.place(), QStringLiteral("row 5"));
        f.key(forward);
        EXPECT_EQ(Row::actions, QStringList{"unfold 5"});
        EXPECT_EQ(f.place(), QStringLiteral("row 5")) << "unfolding keeps the place";
        EXPECT_EQ(f.placeAfter(forward), QStringLiteral("one 5"));
        EXPECT_EQ(f.placeAfter(back), QStringLiteral("row 5")) << "back from a button moves, folds nothing";
        f.key(back);
        EXPECT_EQ(Row::actions, (QStringList{"unfold 5", "fold 5"}));
        EXPECT_EQ(f.placeAfter(back), QStringLiteral("box 5")) << "folded, back moves on";
        EXPECT_EQ(f.placeAfter(forward), QStringLiteral("row 5")) << "from the box, forward moves, unfolds nothing";
        // A row that does not fold: the arrows move only.
        f.key(Qt::Key_Down);
        EXPECT_EQ(f.placeAfter(back), QStringLiteral("box 6"));
        EXPECT_EQ(f.placeAfter(forward), QStringLiteral("row 6"));
        EXPECT_EQ(f.placeAfter(forward), QStringLiteral("one 6"));
        EXPECT_EQ(Row::actions, (QStringList{"unfold 5", "fold 5"}));
        EXPECT_TRUE(f.list->showsPlace());
    }
}

// An arrow goes only to what shares its row (Left, Right) or column (Up,
// Down): two cards on a row, a wide one under both, a small one further
// down that shares no column with it.
TEST(ArrowRule, NeverLeavesTheRowOrTheColumnDiagonally)
{
    const QList<QRect> rects{QRect(0, 0, 100, 40), QRect(110, 0, 100, 40), QRect(0, 50, 210, 40),
                             QRect(300, 100, 50, 40)};
    EXPECT_EQ(keyfocus::nearestInDirection(rects, 1, Qt::Key_Down), 2);
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Down})
        EXPECT_EQ(keyfocus::nearestInDirection(rects, 2, key), -1) << key;
}
