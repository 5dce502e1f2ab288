// The Startup tab's state driven over the real engine and a fixture tree.

#include "StartupTree.h"
#include "support/AlertKeys.h"
#include "support/Collect.h"
#include "support/Printers.h"
#include "support/ScanGates.h"
#include "views/startup/StartupState.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;
using namespace tw::test::startup;

namespace {

struct StateFixture : ::testing::Test {
    ShellHarness h;
    std::unique_ptr<StartupState> state;

    void SetUp() override
    {
        makeStartupTree(h.fake);
        state = std::make_unique<StartupState>(*h.cleaner, h.prompter, h.fake.workspace);
        scanNow(*h.cleaner);
    }
    void TearDown() override { state.reset(); }

    QStringList shownTitles() const
    {
        QStringList out;
        for (int row = 0; row < state->shownCount(); ++row)
            out << state->shownItem(row).title;
        return out;
    }
    const RemovableItem& item(const QString& path) const
    {
        return *findBy(state->allItems(), &RemovableItem::path, path);
    }
    QString selectedTitle() const { return state->selected() ? state->selected()->title : QStringLiteral("none"); }
    // A switch or a removal runs off the GUI thread: waits for its outcome.
    void finish()
    {
        ASSERT_TRUE(drainScans(nullptr, h.cleaner.get()));
        EXPECT_FALSE(state->isBusy());
    }
    // The titles and texts of every prompt so far.
    QStringList asked() const
    {
        return collect(h.prompter.asked, [](const Prompt& p) { return p.title + QStringLiteral(": ") + p.text; });
    }
};

} // namespace

TEST_F(StateFixture, ScansOnAppearOnlyWhenEmptyAndOnEveryRefresh)
{
    ASSERT_EQ(shownTitles(), kTitles);
    EXPECT_EQ(scanCount(h.fake), 1);
    state->appear();  // items present: nothing
    EXPECT_FALSE(state->isScanning());
    EXPECT_EQ(scanCount(h.fake), 1);

    // Refresh during a running scan starts another one.
    QSignalSpy scanning(state.get(), &StartupState::scanningChanged);
    state->refresh();
    EXPECT_TRUE(state->isScanning());
    state->refresh();
    drainScans(nullptr, h.cleaner.get());
    EXPECT_EQ(scanCount(h.fake), 3);
    EXPECT_FALSE(state->isScanning());
    EXPECT_EQ(scanning.count(), 2);

    // An empty list scans again on every appearance.
    h.cleaner->setStartupItems({});
    state->appear();
    EXPECT_TRUE(state->isScanning());
    drainScans(nullptr, h.cleaner.get());
    EXPECT_EQ(scanCount(h.fake), 4);
    EXPECT_EQ(shownTitles(), kTitles);
}

TEST_F(StateFixture, SearchMatchesTitleCategoryOrParentName)
{
    const struct {
        QString search;
        QStringList titles;
    } cases[] = {
        {"", kTitles},
        {"SYNC", {"com.vendor.sync"}},                              // title, any case
        {"daemon", {"broken", "net.vendor.guard"}},                  // category "System Daemon"
        {"login item", {"Rectangle"}},                               // category
        {"\"quoted\"", {kQuotedLabel}},                              // quotes are plain text
        {" ", kTitles},                                              // every category holds one
        {"  ", {}},                                                  // none holds two
        {"backupd ", {}},                                            // not trimmed
        {"nothing like it", {}},
    };
    for (const auto& c : cases) {
        state->setSearchText(c.search);
        EXPECT_EQ(shownTitles(), c.titles) << c.search.toStdString();
    }
    // The parent name alone: the owner of a job that is titled by its label.
    RemovableItem owned = item(kSyncAgent);
    ASSERT_EQ(owned.parentName, "Sync");
    state->setSearchText("Sync");
    EXPECT_EQ(shownTitles(), QStringList{"com.vendor.sync"});
    QList<RemovableItem> items = state->allItems();
    items[3].title = "Agent";
    h.cleaner->setStartupItems(items);
    EXPECT_EQ(shownTitles(), QStringList{"Agent"});
}

TEST_F(StateFixture, SelectionIsKeptByPathThroughSearchesAndRescans)
{
    QSignalSpy selection(state.get(), &StartupState::selectionChanged);
    state->select(kSyncAgent);
    EXPECT_EQ(selectedTitle(), "com.vendor.sync");
    EXPECT_TRUE(state->isActive(item(kSyncAgent)));
    EXPECT_FALSE(state->isActive(item(kBackupAgent)));
    EXPECT_GE(selection.count(), 1);

    // A search that hides it keeps it selected.
    state->setSearchText("daemon");
    EXPECT_EQ(selectedTitle(), "com.vendor.sync");
    state->setSearchText("");

    // A rescan makes new entries: still selected.
    const QUuid before = state->selected()->id;
    scanNow(*h.cleaner);
    ASSERT_NE(state->selected(), nullptr);
    EXPECT_NE(state->selected()->id, before);
    EXPECT_EQ(selectedTitle(), "com.vendor.sync");

    // Gone from disk: nothing selected, the path kept; back again: selected again.
    const QByteArray bytes = h.fake.tree().read(kSyncAgent);
    ASSERT_TRUE(QFile::remove(h.fake.tree().host(kSyncAgent)));
    scanNow(*h.cleaner);
    EXPECT_EQ(state->selected(), nullptr);
    EXPECT_EQ(state->selectedPath(), kSyncAgent);
    h.fake.tree().write(kSyncAgent, bytes);
    scanNow(*h.cleaner);
    EXPECT_EQ(selectedTitle(), "com.vendor.sync");
}

TEST_F(StateFixture, SwitchRewritesTheFileAndARefusedOneStaysWithItsAlert)
{
    // A label with quotes and a line break is data, never text of a command.
    state->setItemEnabled(kQuotedAgent, false);
    finish();
    EXPECT_EQ(disabledKey(h.fake, kQuotedAgent), "true");
    EXPECT_EQ(h.fake.launchd.calls.back(), (QStringList{"bootout", "gui/501", kQuotedAgent}));
    EXPECT_TRUE(h.prompter.asked.isEmpty());

    // Refused: an unreadable job cannot be switched off; it stays on.
    state->setItemEnabled(kBrokenDaemon, false);
    finish();
    EXPECT_TRUE(item(kBrokenDaemon).isEnabled);
    EXPECT_EQ(h.fake.tree().read(kBrokenDaemon), "not a property list");
    // A login item while the login-item service is unavailable.
    h.fake.loginItems.removeResult = Error::unavailable();
    state->setItemEnabled(kHelper, false);
    finish();
    EXPECT_TRUE(item(kHelper).isEnabled);
    // launchd refuses to start a job again, with and without its own words.
    h.fake.launchd.answer = [](const QStringList&) -> Result<ProcessOutput> { return ProcessOutput{1, {}, {}}; };
    state->select(kQuotedAgent);
    state->toggleSelected();
    finish();
    EXPECT_FALSE(item(kQuotedAgent).isEnabled);

    // The label's line break is a space in the alert's text.
    EXPECT_EQ(asked(), (QStringList{"Startup Programs: Could not disable broken.",
                                    "Startup Programs: AppleScript unavailable.",
                                    "Startup Programs: Could not enable com.odd.\"quoted\" agent."}));
    const Prompt& alert = h.prompter.asked.front();
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].title, "OK");
    EXPECT_EQ(alert.buttons[0].role, PromptButton::Role::cancel);
    // The label reaches launchd as one argument.
    EXPECT_EQ(h.fake.launchd.calls.back(), (QStringList{"enable", "gui/501/" + kQuotedLabel}));
}

TEST_F(StateFixture, RemovalAsksThenMovesTheFileIntoTheTrash)
{
    state->select(kSyncAgent);
    // Cancelled: nothing changes.
    state->confirmAndRemoveSelected();
    ASSERT_EQ(h.prompter.asked.size(), 1);
    const Prompt& ask = h.prompter.asked.front();
    EXPECT_EQ(ask.title, "Remove this startup program?");
    EXPECT_EQ(ask.text, "The launch agent or login item will be moved to Trash / unregistered. "
                        "The main app stays installed.");
    ASSERT_EQ(ask.buttons.size(), 2);
    EXPECT_EQ(ask.buttons[0].title, "Remove");
    EXPECT_EQ(ask.buttons[0].role, PromptButton::Role::destructive);
    EXPECT_EQ(ask.buttons[1].title, "Cancel");
    EXPECT_EQ(ask.buttons[1].role, PromptButton::Role::cancel);
    EXPECT_TRUE(h.fake.tree().exists(kSyncAgent));
    EXPECT_EQ(selectedTitle(), "com.vendor.sync");

    // Confirmed: into the Trash, out of the list, nothing selected, no rescan.
    h.prompter.script = QStringList{"Remove"};
    state->confirmAndRemoveSelected();
    finish();
    EXPECT_FALSE(h.fake.tree().exists(kSyncAgent));
    EXPECT_TRUE(h.fake.tree().exists("/Users/tester/.Trash/com.vendor.sync.plist"));
    EXPECT_FALSE(state->selectedPath().has_value());
    EXPECT_EQ(state->selected(), nullptr);
    EXPECT_FALSE(shownTitles().contains("com.vendor.sync"));
    EXPECT_EQ(scanCount(h.fake), 1);
    EXPECT_EQ(h.prompter.asked.size(), 2);
}

TEST_F(StateFixture, AnEntryPickedWhileTheRemovalRunsStaysSelected)
{
    state->select(kSyncAgent);
    h.prompter.script = QStringList{"Remove"};
    {
        TrashGate gate(h.fake);
        state->confirmAndRemoveSelected();
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        state->select(kBackupAgent);
    }
    finish();
    EXPECT_FALSE(shownTitles().contains("com.vendor.sync"));
    EXPECT_EQ(selectedTitle(), "backupd");
}

namespace {

// Answers "Remove", after the list changed behind the open confirmation.
struct RescanningPrompter final : Prompter {
    std::function<void()> meanwhile;
    int ask(const Prompt&) override
    {
        meanwhile();
        return 0;
    }
};

} // namespace

TEST_F(StateFixture, RemovalTakesTheSelectionAsItIsWhenConfirmed)
{
    RescanningPrompter prompter;
    StartupState local(*h.cleaner, prompter, h.fake.workspace);
    local.select(kSyncAgent);
    // The entry left the list while the confirmation was open: nothing is removed.
    prompter.meanwhile = [&] {
        QList<RemovableItem> items = local.allItems();
        items.removeIf([](const RemovableItem& i) { return i.path == kSyncAgent; });
        h.cleaner->setStartupItems(items);
    };
    local.confirmAndRemoveSelected();
    ASSERT_TRUE(drainScans(nullptr, h.cleaner.get()));
    EXPECT_TRUE(h.fake.tree().exists(kSyncAgent));
    EXPECT_EQ(local.selectedPath(), kSyncAgent);
}

TEST_F(StateFixture, ShowApplicationRevealsTheOwnerElseTheItem)
{
    state->showApplication();  // nothing selected
    state->select(kSyncAgent);
    state->showApplication();
    state->select(kHelper);
    state->showApplication();
    // A login item that is an application itself, with no owner.
    QList<RemovableItem> items = state->allItems();
    RemovableItem app;
    app.title = "Notes";
    app.path = "/Applications/Notes.app";
    app.category = "Application Login Item";
    items << app;
    h.cleaner->setStartupItems(items);
    state->select(app.path);
    state->showApplication();
    EXPECT_EQ(h.fake.workspace.revealed, (QStringList{kSyncApp, kRectangleApp, "/Applications/Notes.app"}));
}

// The tab's alerts, asked through the program's own prompter, answer the
// keyboard: Return on the removal confirmation presses Cancel and removes
// nothing; keypad Enter closes the alert that tells why a switch was refused.
TEST_F(StateFixture, ReturnAndEnterAnswerTheTabsAlertsOnScreen)
{
    DialogPrompter onScreen;
    StartupState shown(*h.cleaner, onScreen, h.fake.workspace);
    shown.select(kSyncAgent);
    {
        AlertKeys keys(Qt::Key_Return);
        shown.confirmAndRemoveSelected();
        finish();
        EXPECT_EQ(keys.answered, QStringList{"Remove this startup program?"});
    }
    EXPECT_TRUE(h.fake.tree().exists(kSyncAgent));
    EXPECT_EQ(shown.selectedPath(), kSyncAgent);

    h.fake.loginItems.removeResult = Error::unavailable();
    {
        AlertKeys keys(Qt::Key_Enter, Qt::KeypadModifier);
        shown.setItemEnabled(kHelper, false);
        finish();
        EXPECT_EQ(keys.answered, QStringList{"Startup Programs"});
    }
    EXPECT_TRUE(item(kHelper).isEnabled);
}
