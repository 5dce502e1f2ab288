// The Startup tab driven through its widgets (clicks and keys), over the
// real engine and a fixture tree.

#include "StartupTree.h"
#include "support/Printers.h"
#include "support/ScanGates.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/PushButton.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/WrappingText.h"
#include "views/startup/StartupDetail.h"
#include "views/startup/StartupListCard.h"
#include "views/startup/StartupState.h"
#include "views/startup/StartupWorkspace.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;
using namespace tw::test::startup;
using Content = StartupWorkspace::ListContent;

namespace {

struct WorkspaceFixture : ::testing::Test {
    ShellHarness h;
    std::unique_ptr<StartupWorkspace> tab;

    void SetUp() override
    {
        makeStartupTree(h.fake);
        tab = std::make_unique<StartupWorkspace>(h.env());
        tab->resize(1100 - 188, 680);
    }
    void TearDown() override { tab.reset(); }

    // Shows the tab and lets its first scan end.
    void open()
    {
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
        drainScans(nullptr, h.cleaner.get());
        QCoreApplication::processEvents();
    }
    StartupListCard* card(int row) const { return static_cast<StartupListCard*>(tab->list()->widgetFor(row)); }
    StartupListCard* cardTitled(const QString& title) const
    {
        for (int row : tab->list()->shownRows())
            if (card(row)->title() == title)
                return card(row);
        return nullptr;
    }
    QStringList cardTitles() const
    {
        QStringList out;
        for (int row : tab->list()->shownRows())
            out << card(row)->title();
        return out;
    }
    StartupDetail* detail() const { return tab->detailColumn(); }
    void clickBody(StartupListCard* c) const { QTest::mouseClick(c, Qt::LeftButton, {}, c->bodyRect().center()); }
    // A switch or a removal runs off the GUI thread: waits for its outcome.
    void finish() { ASSERT_TRUE(drainScans(nullptr, h.cleaner.get())); }
};

} // namespace

TEST_F(WorkspaceFixture, ShowingScansAndListsACardPerItem)
{
    EXPECT_EQ(tab->listContent(), Content::empty);
    auto gate = std::make_unique<StartupScanGate>(h.fake);
    tab->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    // The list hides while the scan runs.
    EXPECT_TRUE(h.cleaner->isScanningStartup());
    EXPECT_EQ(tab->listContent(), Content::scanning);
    gate.reset();
    drainScans(nullptr, h.cleaner.get());
    EXPECT_EQ(tab->listContent(), Content::list);
    EXPECT_EQ(cardTitles(), kTitles);
    EXPECT_EQ(card(0)->category(), "Launch Agent");
    EXPECT_EQ(card(0)->height(), StartupListCard::rowHeight());
    // One line each, whole, the line break a space.
    EXPECT_EQ(cardTitled(kQuotedLabel)->shownTitle(), "com.odd.\"quoted\" agent");
    // Shown again with items: no second scan.
    tab->hide();
    tab->show();
    EXPECT_FALSE(h.cleaner->isScanningStartup());
    EXPECT_EQ(scanCount(h.fake), 1);

    // The refresh button scans again, the selection kept.
    tab->state().select(kSyncAgent);
    gate = std::make_unique<StartupScanGate>(h.fake);
    QTest::mouseClick(tab->searchRow()->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(tab->listContent(), Content::scanning);
    EXPECT_FALSE(detail()->showsPlaceholder());
    gate.reset();
    drainScans(nullptr, h.cleaner.get());
    EXPECT_EQ(scanCount(h.fake), 2);
    EXPECT_EQ(detail()->titleText()->text(), "com.vendor.sync");
    EXPECT_EQ(cardTitled("com.vendor.sync")->look(), &CardLook::accented);
}

TEST_F(WorkspaceFixture, TypingFiltersAndTheSelectionOutlivesTheSearch)
{
    open();
    clickBody(cardTitled("com.vendor.sync"));
    QLineEdit* field = tab->searchRow()->field();
    EXPECT_EQ(field->placeholderText(), "Search startup items");
    QTest::keyClicks(field, "daemon");
    EXPECT_EQ(cardTitles(), (QStringList{"broken", "net.vendor.guard"}));
    // Hidden by the search, still in the detail.
    EXPECT_EQ(detail()->titleText()->text(), "com.vendor.sync");

    QTest::keyClicks(field, "zzz");
    EXPECT_EQ(tab->listContent(), Content::empty);
    EXPECT_EQ(tab->emptyLabel()->text(), "No startup programs found");

    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(cardTitles(), kTitles);
    EXPECT_EQ(cardTitled("com.vendor.sync")->look(), &CardLook::accented);
    EXPECT_EQ(cardTitled("broken")->look(), &CardLook::normal);
}

TEST_F(WorkspaceFixture, OnlyTheCardBodySelects)
{
    open();
    StartupListCard* sync = cardTitled("com.vendor.sync");
    // The outer padding and the switch do not select.
    QTest::mouseClick(sync, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseClick(sync->toggle(), Qt::LeftButton);
    finish();
    EXPECT_FALSE(tab->state().selectedPath().has_value());
    EXPECT_TRUE(detail()->showsPlaceholder());
    EXPECT_EQ(disabledKey(h.fake, kSyncAgent), "true");

    // The empty space just before the switch does (the rows were bound anew).
    sync = cardTitled("com.vendor.sync");
    QTest::mouseClick(sync, Qt::LeftButton, {}, QPoint(sync->bodyRect().right() - 2, sync->height() / 2));
    EXPECT_EQ(tab->state().selectedPath(), kSyncAgent);
    EXPECT_FALSE(detail()->showsPlaceholder());
    EXPECT_EQ(cardTitled("com.vendor.sync")->look(), &CardLook::accented);
}

TEST_F(WorkspaceFixture, SwitchShowsWhatTheEngineHolds)
{
    open();
    // On to off: the file says so, and the switch with it.
    QTest::mouseClick(cardTitled("com.vendor.sync")->toggle(), Qt::LeftButton);
    finish();
    EXPECT_EQ(disabledKey(h.fake, kSyncAgent), "true");
    EXPECT_FALSE(cardTitled("com.vendor.sync")->toggle()->isOn());
    // Off to on.
    ASSERT_FALSE(cardTitled("backupd")->toggle()->isOn());
    QTest::mouseClick(cardTitled("backupd")->toggle(), Qt::LeftButton);
    finish();
    EXPECT_EQ(disabledKey(h.fake, kBackupAgent), "absent");
    EXPECT_TRUE(cardTitled("backupd")->toggle()->isOn());
    EXPECT_TRUE(h.prompter.asked.isEmpty());

    // Refused: the switch snaps back and the alert says why.
    QTest::mouseClick(cardTitled("broken")->toggle(), Qt::LeftButton);
    finish();
    EXPECT_TRUE(cardTitled("broken")->toggle()->isOn());
    ASSERT_EQ(h.prompter.asked.size(), 1);
    EXPECT_EQ(h.prompter.asked[0].title, "Startup Programs");
    EXPECT_EQ(h.prompter.asked[0].text, "Could not disable broken.");
}

TEST_F(WorkspaceFixture, DetailShowsTheItemAndItsButtonsAct)
{
    open();
    clickBody(cardTitled("com.vendor.sync"));
    EXPECT_EQ(detail()->categoryLabel()->text(), "Launch Agent");
    const QStringList values = detail()->infoValues();
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[0], "Sync");
    EXPECT_NE(values[1], "-");
    EXPECT_NE(values[2], "-");
    EXPECT_EQ(values[3], kSyncApp);
    ASSERT_TRUE(detail()->showApplicationButton()->isVisible());
    QTest::mouseClick(detail()->showApplicationButton(), Qt::LeftButton);
    EXPECT_EQ(h.fake.workspace.revealed, QStringList{kSyncApp});

    // The detail's button flips the state; the card follows.
    EXPECT_EQ(detail()->enableButton()->text(), "Disable");
    QTest::mouseClick(detail()->enableButton(), Qt::LeftButton);
    finish();
    EXPECT_EQ(detail()->enableButton()->text(), "Enable");
    EXPECT_FALSE(cardTitled("com.vendor.sync")->toggle()->isOn());
    EXPECT_EQ(disabledKey(h.fake, kSyncAgent), "true");

    // A job with no owner: its own path and no "Show Application".
    clickBody(cardTitled("backupd"));
    EXPECT_FALSE(detail()->showApplicationButton()->isVisible());
    EXPECT_EQ(detail()->infoValues()[0], "backupd");
    EXPECT_EQ(detail()->infoValues()[3], kBackupAgent);
    // A file that cannot be read has no size.
    clickBody(cardTitled("broken"));
    EXPECT_EQ(detail()->infoValues()[3], kBrokenDaemon);
}

TEST_F(WorkspaceFixture, RemoveAsksFirstThenTrashesOrTellsWhyNot)
{
    open();
    clickBody(cardTitled("net.vendor.guard"));
    // Cancelled: nothing happens.
    QTest::mouseClick(detail()->removeButton(), Qt::LeftButton);
    finish();
    ASSERT_EQ(h.prompter.asked.size(), 1);
    EXPECT_EQ(h.prompter.asked[0].title, "Remove this startup program?");
    EXPECT_TRUE(h.fake.tree().exists(kGuardDaemon));

    // Refused: the card and the selection stay, the alert tells why.
    h.prompter.script = QStringList{"Remove"};
    QTest::mouseClick(detail()->removeButton(), Qt::LeftButton);
    finish();
    EXPECT_TRUE(h.fake.tree().exists(kGuardDaemon));
    ASSERT_EQ(h.prompter.asked.size(), 3);
    EXPECT_EQ(h.prompter.asked[2].title, "Startup Programs");
    EXPECT_EQ(h.prompter.asked[2].text,
              "Uninstall cancelled — administrator permission is required to remove this item.");
    ASSERT_EQ(h.fake.admin->calls.size(), 1u);
    EXPECT_EQ(h.fake.admin->calls[0].source, kGuardDaemon);
    EXPECT_NE(cardTitled("net.vendor.guard"), nullptr);
    EXPECT_FALSE(detail()->showsPlaceholder());

    // Confirmed: into the Trash, the card gone, the placeholder back.
    clickBody(cardTitled("com.vendor.sync"));
    h.prompter.script = QStringList{"Remove"};
    QTest::mouseClick(detail()->removeButton(), Qt::LeftButton);
    finish();
    EXPECT_FALSE(h.fake.tree().exists(kSyncAgent));
    EXPECT_TRUE(h.fake.tree().exists("/Users/tester/.Trash/com.vendor.sync.plist"));
    EXPECT_EQ(cardTitled("com.vendor.sync"), nullptr);
    EXPECT_TRUE(detail()->showsPlaceholder());
    EXPECT_EQ(tab->list()->count(), kTitles.size() - 1);
}

TEST_F(WorkspaceFixture, TextsFromDiskAreShownAsTheyAre)
{
    // Markup in a label is text, not formatting.
    h.fake.tree().writePlist(kAgents + "/markup.plist", job("com.x.<b>bold</b>", "/opt/x"));
    open();
    clickBody(cardTitled("com.x.<b>bold</b>"));
    EXPECT_EQ(detail()->titleText()->toPlainText(), "com.x.<b>bold</b>");
    // A line break in it is a space in the header, as everywhere else.
    clickBody(cardTitled(kQuotedLabel));
    EXPECT_EQ(detail()->titleText()->toPlainText(), "com.odd.\"quoted\" agent");
}
