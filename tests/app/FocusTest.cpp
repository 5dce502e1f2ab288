#include "app/IconSidebar.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "app/PreferencesView.h"
#include "app/SweeplineApp.h"
#include "app/TitleBarButtons.h"
#include "state/AppSettings.h"
#include "state/LanguageManager.h"
#include "state/AppNavigation.h"
#include "views/kit/NeonGlassPanel.h"
#include "views/kit/NeonBorder.h"
#include "views/applications/AppListController.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/extensions/ExtensionsState.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/kit/Glow.h"
#include "views/kit/Prompter.h"
#include "views/kit/PushButton.h"
#include "views/kit/KeyFocus.h"
#include "views/theme/ThemePreviewCard.h"
#include "views/theme/ThemeWorkspace.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/NeonSwitch.h"
#include "views/startup/StartupDetail.h"
#include "views/startup/StartupWorkspace.h"
#include "views/system/SystemMonitorWorkspace.h"
#include "support/AlertKeys.h"
#include "support/ProgramHarness.h"
#include "support/ShellHarness.h"

#include <QApplication>
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>
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

// Pixels of the picture near the colour (each channel within 40).
int pixelsNear(const QImage& img, const QColor& c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 && std::abs(p.blue() - c.blue()) < 40)
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

// Chooses the first row of the tab's first list, so the detail shows its controls.
void chooseFirstRow(Program& p, MainWindow* window)
{
    const QList<QWidget*> stops = tabStops(window);
    const auto list = std::find_if(stops.begin(), stops.end(), [](QWidget* w) { return qobject_cast<LazyList*>(w); });
    ASSERT_NE(list, stops.end());
    (*list)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(*list, Qt::Key_Return);
    drainScans(&p.app->scanner(), &p.app->cleaner());
    ASSERT_TRUE(settleForScreenshot(window));
}

std::string describe(QWidget* w)
{
    return (QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName()).toStdString();
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
        // The three title-bar buttons, then the eight pills from the top.
        ASSERT_GE(stops.size(), 11);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(qobject_cast<TitleBarButton*>(stops[i])) << describe(stops[i]);
        for (int i = 3; i < 11; ++i)
            EXPECT_TRUE(qobject_cast<NeonPillButton*>(stops[i])) << describe(stops[i]);
        const QList<QWidget*> content = stops.mid(11);
        for (QWidget* w : content) {
            EXPECT_TRUE(window->mainView()->workspace()->isAncestorOf(w)) << describe(w);
            // A scroll area that is no list shows no focus and takes no typing: not a stop.
            EXPECT_TRUE(!qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<LazyList*>(w)) << describe(w);
        }
        // Where a tab has a search field, it comes before the list it searches.
        const auto field = std::find_if(content.begin(), content.end(), [](QWidget* w) { return qobject_cast<QLineEdit*>(w); });
        const auto list = std::find_if(content.begin(), content.end(), [](QWidget* w) { return qobject_cast<LazyList*>(w); });
        if (field != content.end() && list != content.end()) {
            EXPECT_LT(field - content.begin(), list - content.begin());
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
    for (AppAppearance a : allCases<AppAppearance>()) {
        p.app->state().theme().apply(a, true);
        for (SidebarTab tab : allCases<SidebarTab>()) {
            SCOPED_TRACE(rawValue(a).toStdString() + " " + rawValue(tab).toStdString());
            p.navigation().setTab(tab);
            ASSERT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
            for (QWidget* w : tabStops(window)) {
                if (!window->mainView()->workspace()->isAncestorOf(w))
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
    // Past the title-bar buttons.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
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

// The title-bar buttons come first, close outermost in either direction
// (it leads the reading order), each shows the ring in every theme, and
// Space or Return presses it.
TEST(Focus, TheTitleBarButtonsComeFirstShowTheRingAndAct)
{
    StillBorders still;
    Program p;
    MainWindow* window = p.startShown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    using Kind = TitleBarButton::Kind;
    for (bool rtl : {false, true}) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        p.app->state().language().setLanguage(rtl ? AppLanguage::ar : AppLanguage::en);
        TitleBarButtons* buttons = window->titleBarButtons();
        const QList<QWidget*> stops = tabStops(window).mid(0, 3);
        ASSERT_EQ(stops, (QList<QWidget*>{buttons->button(Kind::close), buttons->button(Kind::minimise),
                                          buttons->button(Kind::zoom)}));
        const int x0 = stops[0]->mapTo(window, QPoint(0, 0)).x(), x2 = stops[2]->mapTo(window, QPoint(0, 0)).x();
        EXPECT_EQ(x2 < x0, rtl) << "Tab goes from the leading side";
    }
    p.app->state().language().setLanguage(AppLanguage::en);
    TitleBarButtons* buttons = window->titleBarButtons();
    for (AppAppearance a : allCases<AppAppearance>()) {
        SCOPED_TRACE(rawValue(a).toStdString());
        p.app->state().theme().apply(a, true);
        for (Kind k : {Kind::close, Kind::minimise, Kind::zoom}) {
            TitleBarButton* b = buttons->button(k);
            window->setFocus(Qt::OtherFocusReason);
            const QImage plain = settled(window, b);
            b->setFocus(Qt::TabFocusReason);
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return pixelsNear(shownAround(window, b), focusring::colour(a)) - pixelsNear(plain, focusring::colour(a)) > 40;
            }, 3000)) << b->objectName().toStdString() << " shows no ring";
        }
    }
    // Space and Return press them as a click does.
    TitleBarButton* zoom = buttons->button(Kind::zoom);
    zoom->setFocus(Qt::TabFocusReason);
    QTest::keyClick(zoom, Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, 5000));
    QTest::keyClick(zoom, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isMaximized(); }, 5000));
}

namespace {

// A stop as the tables name it: its kind, and its name as assistive tools
// read it (the accessible name, a button's text, a field's placeholder).
QString stopName(QWidget* w)
{
    QString kind = QString::fromLatin1(w->metaObject()->className());
    kind.remove(QStringLiteral("tw::"));
    QString name = w->accessibleName();
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && name.isEmpty())
        name = b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w); e && name.isEmpty())
        name = e->placeholderText();
    if (name.isEmpty())
        name = w->toolTip();
    return name.isEmpty() ? kind : kind + QStringLiteral(": ") + name;
}

// A program with something in every tab: an application with leftovers,
// a startup item, a screen saver.
struct Filled : Program {
    Filled()
    {
        MacTree& t = fake.tree();
        t.makeApp("/Applications/Notes Plus.app", "com.example.notes", "Notes Plus", "2.1");
        t.makeApp("/Applications/Atlas.app", "com.example.atlas", "Atlas", "1.0");
        t.writeSized(t.library() + "/Caches/com.example.notes/Cache.db", 240'000);
        t.writeSized(t.library() + "/Application Support/Notes Plus/store.db", 80'000);
        t.writePlist(t.library() + "/LaunchAgents/com.example.notes.helper.plist",
                     {{"Label", "com.example.notes.helper"},
                      {"ProgramArguments", QVariantList{"/Applications/Notes Plus.app/Contents/MacOS/helper"}}});
        t.writeSized(t.library() + "/Screen Savers/Waves.saver/Contents/MacOS/Waves", 16'000);
    }
    MainWindow* showTab(SidebarTab tab, AppsSegment segment = AppsSegment::apps)
    {
        navigation().setAppsSegment(segment);
        navigation().setTab(tab);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
        drainScans(&app->scanner(), &app->cleaner());
        EXPECT_TRUE(settleForScreenshot(window));
        return window;
    }
    MainWindow* window = nullptr;
};

} // namespace

// Tab visits every control of a tab in reading order: the sidebar's pills
// from the top, then the workspace from its top leading corner, column by
// column; Shift+Tab goes the same way back.
TEST(Focus, EachTabIsVisitedInReadingOrder)
{
    Filled p;
    p.window = p.startShown();
    const QStringList sidebar{"TitleBarButton: Close",        "TitleBarButton: Minimise", "TitleBarButton: Zoom",
                              "NeonPillButton: Applications", "NeonPillButton: Startup", "NeonPillButton: Updates",
                              "NeonPillButton: Extensions",   "NeonPillButton: Network", "NeonPillButton: System",
                              "NeonPillButton: Theme",        "NeonPillButton: Preferences"};
    // choose: the first row of the tab's first list is chosen from the
    // keyboard first, so the detail column shows its controls.
    const struct {
        SidebarTab tab;
        AppsSegment segment;
        bool choose;
        QStringList content;
    } tabs[] = {
        {SidebarTab::applications, AppsSegment::apps, false,
         {"SegmentedControl", "SymbolButton: Search", "SortMenuButton: Name", "LazyList", "NeonSwitch: Advance mode"}},
        // The detail adds the file tree (one list) and Uninstall, below the switch.
        {SidebarTab::applications, AppsSegment::apps, true,
         {"SegmentedControl", "SymbolButton: Search", "SortMenuButton: Name", "LazyList", "NeonSwitch: Advance mode",
          "LazyList", "PushButton: Uninstall"}},
        {SidebarTab::applications, AppsSegment::remains, false,
         {"SegmentedControl", "SymbolButton: Search", "SortMenuButton: Name", "PushButton: Scan Again",
          "NeonSwitch: Advance mode"}},
        {SidebarTab::startup, AppsSegment::apps, true,
         {"QLineEdit: Search startup items", "SymbolButton", "LazyList", "PushButton: Show Application",
          "PushButton: Disable", "PushButton: Remove"}},
        {SidebarTab::updates, AppsSegment::apps, true,
         {"QLineEdit: Search updates", "SymbolButton: Check for Updates", "LazyList", "TextButton: Show updates only",
          "PushButton: Launch"}},
        {SidebarTab::extensions, AppsSegment::apps, false,
         {"QLineEdit: Search", "SymbolButton: Rescan", "ExtensionCategoryRow: Installation Files",
          "ExtensionCategoryRow: Web Browser Extensions", "ExtensionCategoryRow: Screen Savers",
          "ExtensionCategoryRow: Settings Panes", "ExtensionCategoryRow: Internet Plugins",
          "ExtensionCategoryRow: Widgets", "AppKitCheckbox: Select All", "PullDownButton: Kind"}},
        {SidebarTab::network, AppsSegment::apps, true,
         {"QLineEdit: Search apps", "LazyList", "PushButton: Open Firewall Settings"}},
        {SidebarTab::system, AppsSegment::apps, false, {"PushButton: Enable Login Item"}},
        {SidebarTab::theme, AppsSegment::apps, false,
         {"ThemePreviewCard: Midnight Neon", "ThemePreviewCard: Light", "ThemePreviewCard: Deep Blue Glass"}},
    };
    for (const auto& t : tabs) {
        SCOPED_TRACE(rawValue(t.tab).toStdString() + " " + rawValue(t.segment).toStdString() + (t.choose ? " chosen" : ""));
        MainWindow* window = p.showTab(t.tab, t.segment);
        if (t.choose) {
            ASSERT_NO_FATAL_FAILURE(chooseFirstRow(p, window));
        }
        const QList<QWidget*> stops = tabStops(window);
        QStringList names;
        for (QWidget* w : stops)
            names << stopName(w);
        EXPECT_EQ(names.mid(0, 11), sidebar);
        EXPECT_EQ(names.mid(11), t.content) << names.mid(11).join(u'\n').toStdString();
        // Shift+Tab walks the same stops backwards.
        window->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> back;
        QWidget* from = window;
        for (int i = 0; i < 80; ++i) {
            QTest::keyClick(from, Qt::Key_Backtab);
            QWidget* now = QApplication::focusWidget();
            if (!now || now == window || back.contains(now))
                break;
            back.prepend(now);
            from = now;
        }
        EXPECT_EQ(back, stops);
    }
}

// Tab into the applications list shows a current row and selects nothing;
// the arrows move it, Return selects. The focus ring is drawn in colours of
// its own: a focused row and a selected one look apart, in every theme.
TEST(Focus, EnteringTheListSelectsNothingAndTheRingLooksApartFromTheSelection)
{
    StillBorders still;
    Filled p;
    p.window = p.startShown();
    for (AppAppearance a : allCases<AppAppearance>()) {
        SCOPED_TRACE(rawValue(a).toStdString());
        p.app->state().theme().apply(a, true);
        p.navigation().setTab(SidebarTab::system);
        MainWindow* window = p.showTab(SidebarTab::applications);
        auto* tab = window->findChild<ApplicationsWorkspace*>();
        ASSERT_NE(tab, nullptr);
        LazyList* list = tab->appsList();
        ASSERT_EQ(list->count(), 2);
        auto first = [&] { return list->widgetFor(0); };
        auto shown = [&] { return shownAround(window, first()); };
        window->setFocus(Qt::OtherFocusReason);
        const QImage plain = settled(window, first());

        for (int i = 0; i < 40 && QApplication::focusWidget() != list; ++i)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), list);
        EXPECT_EQ(list->currentPlace().row, 0);
        EXPECT_TRUE(list->showsPlace());
        EXPECT_EQ(tab->state().selectedApp(), nullptr) << "entering the list selected a row";
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        EXPECT_EQ(tab->state().selectedApp(), nullptr) << "moving selected a row";
        EXPECT_TRUE(QTest::qWaitFor([&] { return differingPixels(shown(), plain) > 100; }, 3000)) << "no focus shown";
        const QImage focused = settled(window, first());

        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_NE(tab->state().selectedApp(), nullptr);
        EXPECT_EQ(tab->state().selectedApp(), tab->appList().rows().first());
        window->setFocus(Qt::OtherFocusReason);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const QImage now = shown();
            return differingPixels(now, focused) > 100 && differingPixels(now, plain) > 100;
        }, 3000)) << "the selection looks like the focus";
        const QImage selected = settled(window, first());

        // The ring's colour is the focus's own: none of it in the selection's look.
        const QColor ring = focusring::colour(a);
        const int before = pixelsNear(plain, ring);
        EXPECT_GT(pixelsNear(focused, ring) - before, 400) << "no ring around the row";
        EXPECT_LT(pixelsNear(selected, ring) - before, 100) << "the selection is drawn in the ring's colour";
        p.navigation().setTab(SidebarTab::system);
    }
}

// The theme cards and the sidebar's pills stand together: the arrows move
// among them as they lie on screen, Space or Return chooses.
TEST(Focus, ArrowsAndSpaceChooseATheme)
{
    StillBorders still;
    Filled p;
    p.window = p.startShown();
    MainWindow* window = p.showTab(SidebarTab::theme);
    auto* tab = window->findChild<ThemeWorkspace*>();
    ASSERT_NE(tab, nullptr);
    const QList<ThemePreviewCard*> cards{tab->card(AppAppearance::midnight), tab->card(AppAppearance::classic),
                                         tab->card(AppAppearance::indigo)};
    const QList<QWidget*> stops = tabStops(window);
    ASSERT_TRUE(stops.contains(cards[0]));
    cards[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cards[0], Qt::Key_Down);  // the second row holds indigo, under midnight
    ASSERT_EQ(QApplication::focusWidget(), cards[2]);
    QTest::keyClick(cards[2], Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.app->state().theme().appearance() == AppAppearance::indigo; }, 2000));
    QTest::keyClick(cards[2], Qt::Key_Up);
    QTest::keyClick(cards[0], Qt::Key_Right);
    ASSERT_EQ(QApplication::focusWidget(), cards[1]);
    QTest::keyClick(cards[1], Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.app->state().theme().appearance() == AppAppearance::classic; }, 2000));

    // The pills: Down from one goes to the next, and Space opens its tab.
    NeonPillButton* first = window->mainView()->sidebar()->tabPills().first();
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(first, Qt::Key_Down);
    QWidget* second = QApplication::focusWidget();
    ASSERT_EQ(second, window->mainView()->sidebar()->tabPills().value(1));
    // Left and Right have nowhere to go in the column.
    for (Qt::Key sideways : {Qt::Key_Left, Qt::Key_Right}) {
        QTest::keyClick(QApplication::focusWidget(), sideways);
        EXPECT_EQ(QApplication::focusWidget(), second) << (sideways == Qt::Key_Left ? "Left" : "Right");
    }
    QTest::keyClick(second, Qt::Key_Space);
    EXPECT_EQ(p.navigation().tab(), SidebarTab::startup);
}

// While the preferences sheet is up, Tab goes round its own controls (Done
// in its header, then the switches) and never behind it; Space flips a switch.
TEST(Focus, TabStaysInThePreferencesSheet)
{
    Program p;
    MainWindow* window = p.startShown();
    p.app->preferencesAction()->trigger();
    PreferencesView* sheet = window->preferences();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->hasFocus(); }, 2000));
    QWidget* done = sheet->doneButton();
    QWidget* menuBar = sheet->menuBarSwitch();
    QWidget* trash = sheet->trashSwitch();
    const QList<QWidget*> expected{done, menuBar, trash, done};
    QList<QWidget*> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    EXPECT_EQ(visited, expected);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), sheet->trashSwitch());
    const bool before = p.app->state().settings().detectTrashRemovals();
    QTest::keyClick(sheet->trashSwitch(), Qt::Key_Space);
    EXPECT_NE(p.app->state().settings().detectTrashRemovals(), before);
}

namespace {

// Where a stop's ring is painted: by which widget, and its rectangle there.
struct Ring {
    QWidget* painter = nullptr;
    QRect rect;
};

// The ring the focused stop shows: the kit's ring widget when one is up,
// else the ring the stop paints itself (a pill in its glow layer, a search
// field in the box around it).
Ring ringOf(MainWindow* window, QWidget* stop)
{
    QList<FocusRing*> shown;
    for (FocusRing* r : window->findChildren<FocusRing*>())
        if (r->isVisible())
            shown << r;
    if (shown.size() == 1)
        return {shown.first(), shown.first()->rect()};
    if (!shown.isEmpty())
        return {};
    if (qobject_cast<NeonPillButton*>(stop)) {
        QWidget* host = glowhost::hostOf(stop);
        const int reach = focusring::kReach;
        return {host, QRect(stop->mapTo(host, QPoint(0, 0)), stop->size()).adjusted(-reach, -reach, reach, reach)};
    }
    if (qobject_cast<QLineEdit*>(stop))
        return {stop->parentWidget(), stop->parentWidget()->rect()};
    return {};
}

// The part of a ring the window does not show: what lies outside the
// painter's rectangle and its parents', or under an opaque widget above it.
// A neon border's band is opaque but shows a picture of what lies beneath
// it, the ring with it, so it hides nothing.
QRegion cutOf(MainWindow* window, const Ring& ring)
{
    const QPoint at = ring.painter->mapTo(window, QPoint(0, 0));
    QRect clip = window->rect();
    for (QWidget* w = ring.painter; w && w != window; w = w->parentWidget())
        clip &= QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    QRegion covered = QRegion(ring.rect.translated(at)) - ring.painter->visibleRegion().translated(at);
    for (ClockwiseNeonBorder* border : window->findChildren<ClockwiseNeonBorder*>())
        if (border->isVisible())
            covered -= border->bandRegion().translated(border->mapTo(window, QPoint(0, 0)));
    return covered + (QRegion(ring.rect.translated(at)) - clip);
}

} // namespace

// At the window's smallest size, in every theme, each stop of each tab shows
// its ring whole: the ring lies within what the widget painting it shows
// (not cut by a parent or covered) and within the window.
TEST(Focus, EveryRingIsWholeAtTheSmallestWindowSize)
{
    Filled p;
    p.window = p.startShown();
    p.window->resize(p.window->minimumSize());
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.window->size() == QSize(1100, 680); }, 2000));
    const struct {
        SidebarTab tab;
        AppsSegment segment;
        bool choose;
    } tabs[] = {
        {SidebarTab::applications, AppsSegment::apps, true}, {SidebarTab::applications, AppsSegment::remains, false},
        {SidebarTab::startup, AppsSegment::apps, true},      {SidebarTab::updates, AppsSegment::apps, true},
        {SidebarTab::extensions, AppsSegment::apps, false},  {SidebarTab::network, AppsSegment::apps, true},
        {SidebarTab::system, AppsSegment::apps, false},      {SidebarTab::theme, AppsSegment::apps, false},
    };
    int checked = 0;
    for (AppAppearance a : allCases<AppAppearance>()) {
        p.app->state().theme().apply(a, true);
        for (const auto& t : tabs) {
            SCOPED_TRACE(rawValue(a).toStdString() + " " + rawValue(t.tab).toStdString() + " "
                         + rawValue(t.segment).toStdString());
            MainWindow* window = p.showTab(t.tab, t.segment);
            if (t.choose) {
                ASSERT_NO_FATAL_FAILURE(chooseFirstRow(p, window));
            }
            // Tab from the window through every stop, as the user goes.
            window->setFocus(Qt::OtherFocusReason);
            QList<QWidget*> visited;
            for (int i = 0; i < 80; ++i) {
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
                QWidget* stop = QApplication::focusWidget();
                if (!stop || stop == window || visited.contains(stop))
                    break;
                visited << stop;
                drainEvents();
                const Ring ring = ringOf(window, stop);
                ASSERT_NE(ring.painter, nullptr) << stopName(stop).toStdString() << ": no one ring shows";
                const QRegion cut = cutOf(window, ring);
                const QRect at = cut.boundingRect();
                EXPECT_TRUE(cut.isEmpty()) << stopName(stop).toStdString() << ": the ring is cut at " << at.x() << ','
                                           << at.y() << ' ' << at.width() << 'x' << at.height();
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 3 * 40);
}

// Tab from outside a scrolled page into a stop of it brings the stop into
// view, its ring whole: the System tab at its foot, Tab from the last pill.
TEST(Focus, ATabIntoAScrolledPageBringsTheStopIntoView)
{
    Filled p;
    p.window = p.startShown();
    p.window->resize(p.window->minimumSize());
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.window->size() == QSize(1100, 680); }, 2000));
    MainWindow* window = p.showTab(SidebarTab::system);
    auto* page = window->findChild<SystemMonitorWorkspace*>();
    ASSERT_NE(page, nullptr);
    const QList<QWidget*> stops = tabStops(window);
    const auto first = std::find_if(stops.begin(), stops.end(), [&](QWidget* w) { return page->isAncestorOf(w); });
    ASSERT_TRUE(first != stops.end() && first != stops.begin());
    QScrollBar* bar = page->scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    (*(first - 1))->setFocus(Qt::TabFocusReason);
    QTest::keyClick(*(first - 1), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), *first);
    drainEvents();
    const Ring ring = ringOf(window, *first);
    ASSERT_NE(ring.painter, nullptr);
    EXPECT_TRUE(cutOf(window, ring).isEmpty());
}

// A control that hides with the focus (the sheet closing, a segment's search
// field going) hands it to the window, not to the next stop with its ring.
TEST(Focus, AFocusedControlThatHidesLeavesTheFocusWithTheWindow)
{
    Program p;
    MainWindow* window = p.startShown();
    p.app->preferencesAction()->trigger();
    PreferencesView* sheet = window->preferences();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->hasFocus(); }, 2000));
    QTest::mouseClick(sheet->doneButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet->isVisible(); }, 2000));
    EXPECT_EQ(QApplication::focusWidget(), window);

    // Tab still starts from the first stop.
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), window);
}

namespace {

// Types text into the window as the keyboard would: to whatever has its focus.
void type(QWindow* window, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

// Presses Tab until w has the focus; false when it never comes.
bool tabTo(QWidget* window, QWidget* w)
{
    for (int i = 0; i < 80 && QApplication::focusWidget() != w; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
    return QApplication::focusWidget() == w;
}

} // namespace

// A click or a drag on a part of the window that takes no focus (the
// sidebar's empty background) leaves the focus, caret and all, in the field:
// what is typed next reaches it.
TEST(Focus, AClickOrADragOnTheBackgroundLeavesTheFocusInTheField)
{
    Program p;
    MainWindow* window = p.startShown();
    p.navigation().setTab(SidebarTab::startup);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
    drainScans(&p.app->scanner(), &p.app->cleaner());
    auto* field = window->mainView()->workspace()->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    QWindow* handle = window->windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, {}, field->mapTo(window, field->rect().center()));
    type(handle, "xy");
    ASSERT_EQ(field->text(), "xy");

    // Between the last tab pill and the Theme pill.
    IconSidebar* sidebar = window->mainView()->sidebar();
    QWidget* last = sidebar->tabPills().last();
    const int top = last->mapTo(window, QPoint(0, last->height())).y();
    const int bottom = sidebar->themePill()->mapTo(window, QPoint(0, 0)).y();
    ASSERT_GT(bottom - top, 20);
    const QPoint background(last->mapTo(window, last->rect().center()).x(), (top + bottom) / 2);
    ASSERT_EQ(window->childAt(background)->focusPolicy(), Qt::NoFocus);

    QTest::mouseClick(handle, Qt::LeftButton, {}, background);
    type(handle, "z");
    EXPECT_EQ(field->text(), "xyz");

    const QPoint from = window->pos(), by(40, 30), to = handle->mapToGlobal(background) + by;
    QTest::mousePress(handle, Qt::LeftButton, {}, background);
    QTest::mouseMove(handle, background + by);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pos() == from + by; }, 5000));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(to));
    type(handle, "w");
    EXPECT_EQ(field->text(), "xyzw");
    EXPECT_TRUE(field->hasFocus());
}

// An uninstall from the keyboard (Space on the row, Tab to Uninstall,
// Return, Return in the alert) greys the button out: the focus goes back to
// the list, never to the window's close button, so one more Return hides nothing.
TEST(Focus, AfterAnUninstallFromTheKeyboardTheListHasTheFocus)
{
    Filled p;
    p.app->setPrompter(std::make_unique<DialogPrompter>([&p]() -> QWidget* { return p.window; }));
    p.window = p.startShown();
    MainWindow* window = p.showTab(SidebarTab::applications);
    auto* tab = window->findChild<ApplicationsWorkspace*>();
    ASSERT_TRUE(tabTo(window, tab->appsList()));
    QTest::keyClick(tab->appsList(), Qt::Key_Space);
    ASSERT_NE(tab->state().selectedApp(), nullptr);
    ASSERT_TRUE(tabTo(window, tab->actionButton()));
    AlertKeys keys(Qt::Key_Return);
    QTest::keyClick(tab->actionButton(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.app->scanner().apps().size() == 1 && !tab->state().selectedApp(); }, 10000));
    EXPECT_EQ(keys.answered.size(), 1);
    EXPECT_FALSE(tab->actionButton()->isEnabled());
    // The window the alert stood over has the keyboard back, with no window manager to give it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), tab->appsList()) << describe(QApplication::focusWidget());
    QTest::keyClick(window->windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
}

// Remove from the keyboard in the Extensions tab: the button greys out while
// the removal runs, and the focus moves to the kind's list in that pane.
TEST(Focus, ARemovalFromTheKeyboardLeavesTheFocusInItsPane)
{
    Filled p;
    p.fake.tree().writeSized(p.fake.tree().library() + "/Screen Savers/Drift.saver/Contents/MacOS/Drift", 8'000);
    p.window = p.startShown();
    MainWindow* window = p.showTab(SidebarTab::extensions);
    auto* tab = window->findChild<ExtensionsWorkspace*>();
    tab->state().chooseCategory(ExtensionCategoryKind::screenSavers);
    ASSERT_EQ(tab->list()->count(), 3);  // the group's header and two savers
    tab->state().toggleSelected(tab->state().categoryItems().first().path);
    ASSERT_TRUE(tabTo(window, tab->removeButton()));
    QTest::keyClick(tab->removeButton(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab->state().categoryItems().size() == 1 && !tab->state().isRemoving(); }, 10000));
    EXPECT_EQ(QApplication::focusWidget(), tab->list()) << describe(QApplication::focusWidget());
}

// The preferences sheet gives the focus back as it goes: to the field typed
// in when a click on its pill opened it, to the pill when the keyboard did.
TEST(Focus, ThePreferencesSheetGivesTheFocusBackAsItGoes)
{
    Program p;
    MainWindow* window = p.startShown();
    p.navigation().setTab(SidebarTab::startup);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->mainView()->workspace() != nullptr; }, 5000));
    auto* field = window->mainView()->workspace()->findChild<QLineEdit*>();
    QWindow* handle = window->windowHandle();
    NeonPillButton* pill = window->mainView()->sidebar()->preferencesPill();
    auto openAndEscape = [&](auto open) {
        open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->preferences() && window->preferences()->hasFocus(); }, 2000));
        QTest::keyClick(handle, Qt::Key_Escape);
    };
    ASSERT_TRUE(tabTo(window, field));
    type(handle, "googl");
    openAndEscape([&] { QTest::mouseClick(handle, Qt::LeftButton, {}, pill->mapTo(window, pill->rect().center())); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000)) << describe(QApplication::focusWidget());
    type(handle, "e");
    EXPECT_EQ(field->text(), "google");

    ASSERT_TRUE(tabTo(window, pill));
    openAndEscape([&] { QTest::keyClick(handle, Qt::Key_Return); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return pill->hasFocus(); }, 2000)) << describe(QApplication::focusWidget());
}

// An alert gives the focus back to the button that opened it, greyed out
// while it asked: Startup's Remove after Cancel (Return), Applications'
// Uninstall after Escape; and Extensions' Remove, greyed out while it
// worked, after the alert of a removal that failed.
TEST(Focus, AfterAnAlertTheFocusIsBackOnTheButtonThatOpenedIt)
{
    Filled p;
    p.app->setPrompter(std::make_unique<DialogPrompter>([&p]() -> QWidget* { return p.window; }));
    p.window = p.startShown();
    auto pressAndAnswer = [&](QAbstractButton* button, Qt::Key answer) {
        SCOPED_TRACE(describe(button));
        ASSERT_TRUE(tabTo(p.window, button));
        AlertKeys keys(answer);
        QTest::keyClick(button, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return keys.answered.size() == 1 && !p.app->cleaner().isRemoving(); }, 10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }, 2000)) << describe(QApplication::focusWidget());
        drainEvents();
        EXPECT_TRUE(button->hasFocus()) << describe(QApplication::focusWidget());
    };

    auto* startup = p.showTab(SidebarTab::startup)->findChild<StartupWorkspace*>();
    ASSERT_TRUE(tabTo(p.window, startup->list()));
    QTest::keyClick(startup->list(), Qt::Key_Space);
    pressAndAnswer(startup->findChild<StartupDetail*>()->removeButton(), Qt::Key_Return);

    auto* apps = p.showTab(SidebarTab::applications)->findChild<ApplicationsWorkspace*>();
    ASSERT_TRUE(tabTo(p.window, apps->appsList()));
    QTest::keyClick(apps->appsList(), Qt::Key_Space);
    pressAndAnswer(apps->actionButton(), Qt::Key_Escape);
    EXPECT_EQ(p.app->scanner().apps().size(), 2);

    p.fake.trash->fail = [](const QString&) { return std::optional<Error>(Error{"NSCocoaErrorDomain", 513, "No."}); };
    p.fake.admin->performMove = false;
    p.fake.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    auto* extensions = p.showTab(SidebarTab::extensions)->findChild<ExtensionsWorkspace*>();
    extensions->state().chooseCategory(ExtensionCategoryKind::screenSavers);  // its one item comes selected
    pressAndAnswer(extensions->removeButton(), Qt::Key_Return);
    EXPECT_EQ(extensions->state().categoryItems().size(), 1);
}

// A tab switched while the window is away (from the menu bar) hands the
// focus the old tab held into the new tab's pane, not to the title-bar buttons.
TEST(Focus, ATabSwitchedWhileTheWindowIsAwayKeepsTheFocusInThePane)
{
    Filled p;
    MainWindow* window = p.window = p.startShown();
    p.showTab(SidebarTab::startup);
    ASSERT_TRUE(tabTo(window, window->mainView()->workspace()->findChild<QLineEdit*>()));
    QWidget other;
    other.resize(80, 60);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    p.showTab(SidebarTab::applications);
    other.hide();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(window->mainView()->workspace()->isAncestorOf(focus)) << describe(focus);
}
