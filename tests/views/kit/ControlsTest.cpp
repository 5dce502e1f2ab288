#include "state/SharedState.h"
#include "state/Theme.h"
#include "support/FakePlatform.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/FilterBar.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/Spinner.h"
#include "views/kit/SymbolButton.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace tw;
using namespace tw::test;

namespace {

// A Bool held elsewhere, counting the writes it receives; refuse makes it
// keep its value (an engine that fails to change an item).
struct Model {
    bool value = false;
    int writes = 0;
    bool refuse = false;
    Binding<bool> binding()
    {
        return {[this] { return value; }, [this](bool v) {
                    ++writes;
                    if (!refuse)
                        value = v;
                }};
    }
};

struct Themed {
    FakePlatform fake;
    SharedState state{fake.platform()};
};

// Both bound toggles of the kit behave alike.
std::unique_ptr<BoundToggle> makeToggle(int which)
{
    if (which == 0)
        return std::make_unique<AppKitCheckbox>();
    return std::make_unique<NeonSwitch>(NeonSwitch::Size::small);
}

} // namespace

TEST(BoundToggles, AClickWritesOnceAndAModelChangeIsNeverWrittenBack)
{
    for (int which : {0, 1}) {
        SCOPED_TRACE(which == 0 ? "checkbox" : "switch");
        Model model;
        auto toggle = makeToggle(which);
        toggle->bind(model.binding());
        EXPECT_FALSE(toggle->isOn());

        QSignalSpy clicks(toggle.get(), &QAbstractButton::clicked);
        QTest::mouseClick(toggle.get(), Qt::LeftButton);
        EXPECT_EQ(model.writes, 1);
        EXPECT_TRUE(model.value);
        EXPECT_TRUE(toggle->isOn());
        EXPECT_EQ(clicks.count(), 1);

        // Changed elsewhere (select all, an uninstall clearing a selection): shown, not written.
        model.value = false;
        toggle->refresh();
        EXPECT_FALSE(toggle->isOn());
        toggle->refresh();
        EXPECT_EQ(model.writes, 1);

        // A model that keeps its value leaves the control as it was.
        model.refuse = true;
        QTest::mouseClick(toggle.get(), Qt::LeftButton);
        EXPECT_EQ(model.writes, 2);
        EXPECT_FALSE(toggle->isOn());
    }
}

TEST(BoundToggles, AReusedControlWritesToItsNewRecordOnly)
{
    Model first, second;
    second.value = true;
    AppKitCheckbox box(first.binding());
    box.bind(second.binding());
    EXPECT_TRUE(box.isOn());
    EXPECT_EQ(first.writes + second.writes, 0);  // rebinding writes nothing
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(first.writes, 0);
    EXPECT_EQ(second.writes, 1);
    EXPECT_FALSE(second.value);
}

TEST(BoundToggles, AWriteThatRebindsItsOwnControlFinishes)
{
    // A list row whose write changes the model binds that row again, while
    // the write still runs: the write's own captures must outlive that.
    NeonSwitch toggle(NeonSwitch::Size::small);
    bool value = false;
    QStringList writes;
    std::function<void()> rebind;
    const auto binding = [&](const QString& name) {
        return Binding<bool>{[&value] { return value; }, [&, name](bool on) {
                                 value = on;
                                 rebind();
                                 writes << name;
                             }};
    };
    rebind = [&] { toggle.bind(binding(QStringLiteral("second"))); };
    toggle.bind(binding(QStringLiteral("first")));
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_EQ(writes, QStringList{"first"});
    EXPECT_TRUE(toggle.isOn());
}

TEST(BoundToggles, UnboundTheyKeepTheirOwnState)
{
    NeonSwitch toggle;
    EXPECT_EQ(toggle.size(), QSize(38, 22));
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle.isOn());
    toggle.refresh();  // nothing bound: nothing to show
    EXPECT_TRUE(toggle.isOn());
    EXPECT_EQ(NeonSwitch(NeonSwitch::Size::small).size(), QSize(32, 18));
    EXPECT_EQ(AppKitCheckbox().sizeHint(), QSize(18, 18));
}

TEST(SegmentedControl, AClickWritesTheBindingAndShowsWhatItHolds)
{
    int value = 0;
    int writes = 0;
    SegmentedControl picker({QStringLiteral("Apps"), QStringLiteral("Remains")});
    picker.resize(168, 24);
    picker.bind({[&] { return value; }, [&](int v) {
                     ++writes;
                     value = v;
                 }});
    QSignalSpy activated(&picker, &SegmentedControl::activated);

    QTest::mouseClick(&picker, Qt::LeftButton, {}, picker.segmentRect(1).center().toPoint());
    EXPECT_EQ(value, 1);
    EXPECT_EQ(picker.currentIndex(), 1);
    EXPECT_EQ(writes, 1);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated[0][0].toInt(), 1);

    // Changed elsewhere (the navigation opening the remains): shown, not written.
    value = 0;
    picker.refresh();
    EXPECT_EQ(picker.currentIndex(), 0);
    EXPECT_EQ(writes, 1);

    // A press that leaves its segment before the release picks nothing.
    QTest::mousePress(&picker, Qt::LeftButton, {}, picker.segmentRect(1).center().toPoint());
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, picker.segmentRect(0).center().toPoint());
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(picker.segmentAt(QPoint(-3, 5)), -1);

    // Indices beyond the segments are clamped.
    SegmentedControl unbound({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    unbound.setCurrentIndex(7);
    EXPECT_EQ(unbound.currentIndex(), 2);
}

TEST(FilterBar, EveryKeystrokeWritesTheTextAndRefreshOnlyRefreshes)
{
    Themed t;
    QString text;
    QStringList written;
    int refreshes = 0;
    FilterBar bar({[&] { return text; }, [&](const QString& s) {
                       text = s;
                       written << s;
                   }},
                  QStringLiteral("Search apps"), [&] { ++refreshes; });
    bar.resize(340, 40);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    EXPECT_EQ(bar.field()->placeholderText(), "Search apps");
    QTest::keyClicks(bar.field(), QStringLiteral("not"));
    EXPECT_EQ(written, (QStringList{"n", "no", "not"}));

    ASSERT_NE(bar.refreshButton(), nullptr);
    QTest::mouseClick(bar.refreshButton(), Qt::LeftButton);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(text, "not");

    // Changed by the owner: shown without being written again.
    text = QStringLiteral("notes");
    bar.refresh();
    EXPECT_EQ(bar.field()->text(), "notes");
    EXPECT_EQ(written.size(), 3);
}

TEST(FilterBar, WithoutARefreshActionTheFieldTakesTheWholeRow)
{
    Themed t;
    QString text;
    std::unique_ptr<FilterBar> bar(filterBar({[&] { return text; }, [&](const QString& s) { text = s; }},
                                             QStringLiteral("Search apps")));
    bar->resize(340, 40);
    bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    EXPECT_EQ(bar->refreshButton(), nullptr);
    EXPECT_EQ(bar->findChildren<SymbolButton*>().size(), 0);
    EXPECT_EQ(bar->field()->geometry().right(), 340 - 10 - 1);
}

TEST(Spinner, AnimatesOnlyWhileVisible)
{
    QWidget window;
    auto* spinner = new Spinner(&window);
    EXPECT_FALSE(spinner->isAnimating());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(spinner->isAnimating());
    const int phase = spinner->phase();
    EXPECT_TRUE(QTest::qWaitFor([&] { return spinner->phase() != phase; }, 10000));
    spinner->hide();
    EXPECT_FALSE(spinner->isAnimating());
    spinner->show();
    window.hide();
    EXPECT_FALSE(spinner->isAnimating());
}

TEST(FeatureEmptyState, SubtitleWrapsInto400PointsAndColoursFollowTheTheme)
{
    Themed t;
    const QString subtitle = QStringLiteral("Check for live updates, open the App Store, or launch an app to update "
                                            "it. This sentence goes on long enough to need several lines.");
    FeatureEmptyState empty(QStringLiteral("A title much wider than four hundred points, set in bold"), subtitle,
                            QStringLiteral("arrow.triangle.2.circlepath"));
    empty.resize(700, 500);
    const FeatureEmptyState::Layout l = empty.layoutParts();
    EXPECT_LE(l.subtitle.width(), 400);
    EXPECT_NEAR(l.subtitle.center().x(), 350, 1);
    EXPECT_GT(l.subtitle.height(), 40);  // more than two lines
    EXPECT_GT(l.title.width(), 400);     // the title is not limited
    EXPECT_NEAR(l.symbol.top() - l.subtitle.bottom(), 14 + 8, 0.5);
    EXPECT_LT(l.title.bottom(), l.subtitle.top());

    auto titlePixels = [&] {
        QImage img(empty.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        empty.render(&img);
        // The brightest and the darkest opaque pixels of the title's box.
        int brightest = 0, darkest = 255;
        const QRect box = l.title.toRect() & img.rect();
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() < 250)
                    continue;
                brightest = std::max(brightest, c.red());
                darkest = std::min(darkest, c.red());
            }
        return std::pair{brightest, darkest};
    };
    EXPECT_GT(titlePixels().first, 250);  // white
    t.state.theme().apply(AppAppearance::classic, true);
    EXPECT_LT(titlePixels().second, 70);  // dark grey
    t.state.theme().apply(AppAppearance::midnight, true);
    EXPECT_GT(titlePixels().first, 250);
}
