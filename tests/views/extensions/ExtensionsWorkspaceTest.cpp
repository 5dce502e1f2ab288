#include "Entries.h"
#include "ExtensionTree.h"
#include "support/ShellHarness.h"
#include "views/kit/PullDownButton.h"
#include "views/extensions/ExtensionRows.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/PushButton.h"
#include "views/kit/SymbolButton.h"

#include <QLineEdit>
#include <QMenu>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tw::test;
using Kind = ExtensionCategoryKind;

namespace {

struct WorkspaceFixture : ::testing::Test {
    ShellHarness h;
    ExtensionTree tree{h.fake};
    std::unique_ptr<ExtensionsWorkspace> w;

    void SetUp() override
    {
        w = std::make_unique<ExtensionsWorkspace>(h.env());
        w->resize(1100 - 188, 900);  // tall enough to show every row of a kind
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        waitForScan();
    }
    void TearDown() override
    {
        w.reset();
        drainScans(h.scanner.get(), h.cleaner.get());
    }
    void waitForScan()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !h.cleaner->isScanningExtensions(); }, 30000));
    }
    ExtensionsState& state() { return w->state(); }

    // The list's rows as shown: "# Group" for a header, the title for an item.
    QStringList shownRows()
    {
        QStringList out;
        for (int row : w->list()->shownRows()) {
            QWidget* widget = w->list()->widgetFor(row);
            if (auto* header = qobject_cast<ExtensionGroupHeader*>(widget))
                out << "# " + header->name();
            else if (auto* item = qobject_cast<ExtensionItemRow*>(widget))
                out << item->item().title;
        }
        return out;
    }
    template <class Row>
    Row* rowWhere(std::function<bool(Row*)> match)
    {
        for (int row : w->list()->shownRows())
            if (auto* widget = qobject_cast<Row*>(w->list()->widgetFor(row)); widget && match(widget))
                return widget;
        return nullptr;
    }
    ExtensionItemRow* itemRow(const QString& title)
    {
        return rowWhere<ExtensionItemRow>([&](ExtensionItemRow* r) { return r->item().title == title; });
    }
    ExtensionGroupHeader* header(const QString& name)
    {
        return rowWhere<ExtensionGroupHeader>([&](ExtensionGroupHeader* r) { return r->name() == name; });
    }
    QStringList selected() { return selectedTitles(h.cleaner->extensions(), state().selectedPaths()); }
    void waitForRemoval()
    {
        QSignalSpy done(&state(), &ExtensionsState::removalFinished);
        if (state().isRemoving()) {
            ASSERT_TRUE(done.wait(20000));
        }
    }
};

} // namespace

TEST_F(WorkspaceFixture, OpensOnBrowserExtensionsWithEveryKindCountedAndEverythingSelected)
{
    const struct {
        Kind kind;
        QString count;
    } rows[] = {{Kind::installationFiles, "3 items"}, {Kind::browserExtensions, "8 items"},
                {Kind::screenSavers, "2 items"},      {Kind::settingsPanes, "1 item"},
                {Kind::internetPlugins, "2 items"},   {Kind::widgets, "1 item"}};
    for (const auto& r : rows) {
        EXPECT_EQ(w->categoryRow(r.kind)->countText(), r.count);
        EXPECT_NE(w->categoryRow(r.kind)->sizeText(), "-");
        EXPECT_EQ(w->categoryRow(r.kind)->isSelected(), r.kind == Kind::browserExtensions);
    }
    EXPECT_EQ(w->shownBody(), w->list());
    EXPECT_EQ(shownRows(), (QStringList{"# Safari Extensions", "Reader", "# Google Chrome Extensions", "adblock",
                                        "Dark Reader", "Grammarly", "uBlock Origin", "# Brave Extensions", "Bitwarden",
                                        "# Firefox Extensions", "uBlock0@raymondhill.net", "{446900e4}"}));
    EXPECT_TRUE(w->selectAllBox()->isChecked());
    EXPECT_EQ(w->selectAllBox()->text(), "Select All");
    EXPECT_TRUE(w->removeButton()->isEnabled());
    EXPECT_EQ(w->removeButton()->fillColour(), accentTint());
}

TEST_F(WorkspaceFixture, ScanningShowsProgressInBothColumnsAndEveryRescanClickScans)
{
    QTest::mouseClick(w->searchBar()->refreshButton(), Qt::LeftButton);
    EXPECT_TRUE(h.cleaner->isScanningExtensions());
    EXPECT_TRUE(qobject_cast<ProgressIndicator*>(w->shownBody()));
    EXPECT_TRUE(qobject_cast<ProgressIndicator*>(w->shownCategoryBody()));
    EXPECT_EQ(w->searchBar()->refreshButton()->toolTip(), "Rescan");
    waitForScan();
    EXPECT_EQ(w->shownBody(), w->list());
    EXPECT_FALSE(qobject_cast<ProgressIndicator*>(w->shownCategoryBody()));
}

// The kinds stand in one column: Up and Down move the focus along it,
// Left and Right have nowhere to go and leave it where it is.
TEST_F(WorkspaceFixture, TheArrowsKeepToTheColumnOfKinds)
{
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    const QList<Kind> kinds = allExtensionCategories();
    QWidget* second = w->categoryRow(kinds[1]);
    second->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(second->hasFocus());
    for (Qt::Key sideways : {Qt::Key_Left, Qt::Key_Right}) {
        QTest::keyClick(QApplication::focusWidget(), sideways);
        EXPECT_EQ(QApplication::focusWidget(), second) << (sideways == Qt::Key_Left ? "Left" : "Right");
    }
    QTest::keyClick(second, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w->categoryRow(kinds[2]));
}

TEST_F(WorkspaceFixture, KindsSearchAndSortThroughTheControls)
{
    QTest::mouseClick(w->categoryRow(Kind::screenSavers), Qt::LeftButton);
    EXPECT_TRUE(w->categoryRow(Kind::screenSavers)->isSelected());
    EXPECT_FALSE(w->categoryRow(Kind::browserExtensions)->isSelected());
    EXPECT_EQ(shownRows(), (QStringList{"# Screen Savers", "Aerial", "Flurry"}));
    EXPECT_EQ(selected(), (QStringList{"Aerial", "Flurry"}));

    // Size order: the larger saver first; the menu shows the order.
    w->sortMenu()->menu()->actions().at(1)->trigger();
    EXPECT_EQ(w->sortMenu()->current(), 1);
    EXPECT_EQ(shownRows(), (QStringList{"# Screen Savers", "Aerial", "Flurry"}));
    QTest::mouseClick(w->categoryRow(Kind::browserExtensions), Qt::LeftButton);
    EXPECT_EQ(shownRows().mid(3, 4), (QStringList{"Grammarly", "uBlock Origin", "adblock", "Dark Reader"}));
    w->sortMenu()->menu()->actions().at(0)->trigger();
    EXPECT_EQ(shownRows().mid(3, 4), (QStringList{"adblock", "Dark Reader", "Grammarly", "uBlock Origin"}));

    // A search that hides everything shows the kind's empty text; the count stays.
    QTest::keyClicks(w->searchBar()->field(), "zzz");
    EXPECT_EQ(state().searchText(), "zzz");
    EXPECT_EQ(w->shownBody(), static_cast<QWidget*>(w->emptyView()));
    EXPECT_EQ(w->emptyView()->text(), "No web browser extensions found");
    EXPECT_EQ(w->categoryRow(Kind::browserExtensions)->countText(), "8 items");
    EXPECT_FALSE(w->removeButton()->isEnabled());
    EXPECT_EQ(w->removeButton()->fillColour().alpha(), int(0.35 * 255 + 0.5));
    w->searchBar()->field()->clear();
    QTest::keyClicks(w->searchBar()->field(), "dark");
    EXPECT_EQ(shownRows(), (QStringList{"# Google Chrome Extensions", "Dark Reader"}));
}

TEST_F(WorkspaceFixture, RowsAndGroupsSelectFoldAndReveal)
{
    ExtensionItemRow* dark = itemRow("Dark Reader");
    ASSERT_TRUE(dark);
    // The row's empty area and its check box each toggle once.
    QTest::mouseClick(dark, Qt::LeftButton, {}, QPoint(dark->width() / 2, dark->height() / 2));
    EXPECT_FALSE(state().isSelected(dark->item().path));
    EXPECT_FALSE(dark->checkbox()->isChecked());
    QTest::mouseClick(dark->checkbox(), Qt::LeftButton);
    EXPECT_TRUE(state().isSelected(itemRow("Dark Reader")->item().path));
    // The reveal button reveals and leaves the selection alone.
    QTest::mouseClick(itemRow("Dark Reader")->revealButton(), Qt::LeftButton);
    EXPECT_EQ(h.fake.workspace.revealed, QStringList{tree.chrome + "/Profile 1/Extensions/cccc"});
    EXPECT_TRUE(state().isSelected(itemRow("Dark Reader")->item().path));
    EXPECT_EQ(itemRow("Dark Reader")->revealButton()->toolTip(), "Reveal in Finder");

    // The group box: unticked while one item is not selected, then all or none.
    QTest::mouseClick(itemRow("adblock"), Qt::LeftButton);
    EXPECT_FALSE(header("Google Chrome Extensions")->checkbox()->isChecked());
    EXPECT_FALSE(w->selectAllBox()->isChecked());
    QTest::mouseClick(header("Google Chrome Extensions")->checkbox(), Qt::LeftButton);
    EXPECT_EQ(state().selectedCount(), 8);
    QTest::mouseClick(header("Google Chrome Extensions")->checkbox(), Qt::LeftButton);
    EXPECT_EQ(selected(), (QStringList{"Bitwarden", "Reader", "uBlock0@raymondhill.net", "{446900e4}"}));
    EXPECT_TRUE(itemRow("Reader")->checkbox()->isChecked());
    EXPECT_FALSE(itemRow("Grammarly")->checkbox()->isChecked());

    // The chevron and the name fold; folding keeps the selection.
    QTest::mouseClick(header("Safari Extensions")->chevron(), Qt::LeftButton);
    EXPECT_EQ(shownRows().mid(0, 3), (QStringList{"# Safari Extensions", "# Google Chrome Extensions", "adblock"}));
    EXPECT_TRUE(header("Safari Extensions")->isCollapsed());
    EXPECT_TRUE(state().isSelected(tree.home + "/Library/Safari/Extensions/Reader.safariextz"));
    ExtensionGroupHeader* brave = header("Brave Extensions");
    QTest::mouseClick(brave, Qt::LeftButton, {}, QPoint(70, brave->height() / 2));
    EXPECT_FALSE(shownRows().contains("Bitwarden"));
    QTest::mouseClick(header("Safari Extensions"), Qt::LeftButton, {}, QPoint(70, 20));
    EXPECT_EQ(shownRows().mid(0, 2), (QStringList{"# Safari Extensions", "Reader"}));
    // From the keyboard, on the chevron: Left folds the group, Right unfolds it, then goes on to its box.
    w->list()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->list(), Qt::Key_Home);
    ASSERT_EQ(w->list()->currentStop(), header("Safari Extensions")->chevron());
    QTest::keyClick(w->list(), Qt::Key_Left);
    EXPECT_TRUE(header("Safari Extensions")->isCollapsed());
    EXPECT_EQ(shownRows().mid(0, 2), (QStringList{"# Safari Extensions", "# Google Chrome Extensions"}));
    QTest::keyClick(w->list(), Qt::Key_Right);
    EXPECT_EQ(shownRows().mid(0, 2), (QStringList{"# Safari Extensions", "Reader"}));
    QTest::keyClick(w->list(), Qt::Key_Right);
    EXPECT_EQ(w->list()->currentStop(), header("Safari Extensions")->checkbox());
    EXPECT_FALSE(header("Safari Extensions")->isCollapsed());

    // Select All: on selects every visible entry; off clears them and turns Remove off.
    EXPECT_FALSE(w->selectAllBox()->isChecked());
    QTest::mouseClick(w->selectAllBox(), Qt::LeftButton, {}, QPoint(9, 9));
    EXPECT_EQ(state().selectedCount(), 8);
    EXPECT_TRUE(itemRow("Grammarly")->checkbox()->isChecked());
    QTest::mouseClick(w->selectAllBox(), Qt::LeftButton, {}, QPoint(9, 9));
    EXPECT_EQ(state().selectedCount(), 0);
    EXPECT_FALSE(itemRow("Reader")->checkbox()->isChecked());
    EXPECT_FALSE(w->removeButton()->isEnabled());
}

TEST_F(WorkspaceFixture, RemoveActsOnceForADoubleClickAndFailuresAreTold)
{
    QTest::mouseClick(w->categoryRow(Kind::internetPlugins), Qt::LeftButton);
    QTest::mouseClick(itemRow("Audio"), Qt::LeftButton);  // only Java
    ASSERT_EQ(selected(), QStringList{"Java"});

    // Hold the move so the second click lands while the run is on.
    QSemaphore entered, release;
    h.fake.trash->fail = [&](const QString&) -> std::optional<Error> {
        entered.release();
        release.tryAcquire(1, 10000);  // never hangs the pool, even when a test fails
        return std::nullopt;
    };
    QWindow* window = w->windowHandle();
    const QPoint at = w->removeButton()->mapTo(w.get(), w->removeButton()->rect().center());
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    ASSERT_TRUE(entered.tryAcquire(1, 10000));
    EXPECT_FALSE(w->removeButton()->isEnabled());
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    release.release();
    waitForRemoval();
    h.fake.trash->fail = {};
    EXPECT_EQ(h.fake.trash->calls, QStringList{"/Library/Internet Plug-Ins/Java.plugin"});
    EXPECT_EQ(titles(state().categoryItems()), QStringList{"Audio"});
    EXPECT_EQ(selected(), QStringList{"Audio"});  // the shorter list selected the rest again
    EXPECT_TRUE(h.prompter.asked.isEmpty());

    // The run can end between the two clicks of a double click: the second
    // press still does nothing.
    QTest::mouseClick(w->categoryRow(Kind::screenSavers), Qt::LeftButton);
    QTest::mouseClick(itemRow("Flurry"), Qt::LeftButton);  // only Aerial
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    waitForRemoval();
    ASSERT_EQ(selected(), QStringList{"Flurry"});
    QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    EXPECT_FALSE(state().isRemoving());
    EXPECT_FALSE(tree.t.exists(tree.savers + "/Aerial.saver"));
    EXPECT_TRUE(tree.t.exists("/Library/Screen Savers/Flurry.saver"));
    // A later click is a click.
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    waitForRemoval();
    EXPECT_FALSE(tree.t.exists("/Library/Screen Savers/Flurry.saver"));

    QTest::mouseClick(w->categoryRow(Kind::internetPlugins), Qt::LeftButton);
    ASSERT_EQ(selected(), QStringList{"Audio"});
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
    waitForRemoval();
    EXPECT_TRUE(tree.t.exists("/System/Library/Extensions/Audio.plugin/Contents/Info.plist"));

    // The refused item was told by name in one alert.
    QTRY_COMPARE_WITH_TIMEOUT(h.prompter.asked.size(), 1, 5000);
    const Prompt& alert = h.prompter.asked.first();
    EXPECT_EQ(alert.title, "Couldn’t remove");
    EXPECT_EQ(alert.text, "Audio");
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].title, "OK");
    EXPECT_EQ(alert.buttons[0].role, PromptButton::Role::cancel);
    EXPECT_FALSE(state().removeError().has_value());
    // Still on disk, it stays listed and ticked for another try.
    EXPECT_EQ(w->categoryRow(Kind::internetPlugins)->countText(), "1 item");
    EXPECT_EQ(titles(state().categoryItems()), QStringList{"Audio"});
    EXPECT_EQ(selected(), QStringList{"Audio"});
    EXPECT_TRUE(w->removeButton()->isEnabled());
}
