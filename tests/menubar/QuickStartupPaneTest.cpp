#include "menubar/MenuBarRig.h"
#include "menubar/PaneHeader.h"
#include "menubar/QuickListRow.h"
#include "menubar/QuickStartupPane.h"
#include "support/AlertKeys.h"
#include "views/kit/IconView.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/TintedLabel.h"
#include "views/startup/StartupTree.h"

using namespace tw;
using namespace tw::test;
using namespace tw::test::startup;
using Content = QuickStartupPane::Content;

namespace {

struct StartupPaneFixture {
    ShellHarness h;
    QuickStartupPane pane{*h.cleaner, h.prompter};

    StartupPaneFixture()
    {
        pane.resize(460, 380);
        pane.show();
        settle();
    }
    // Which of the three contents is on screen.
    QString shown() const
    {
        QStringList out;
        if (pane.progress()->isVisible())
            out << "progress";
        if (pane.emptyText()->isVisible())
            out << "empty";
        if (pane.list()->isVisible())
            out << "list";
        return out.join(u',');
    }
    QuickListRow* row(const QString& title)
    {
        for (int i = 0; i < pane.list()->count(); ++i)
            if (QuickListRow* r = pane.rowFor(i); r && r->title() == title)
                return r;
        return nullptr;
    }
    NeonSwitch* toggle(const QString& title) { return row(title)->findChild<NeonSwitch*>(); }
    const RemovableItem* item(const QString& title)
    {
        for (const RemovableItem& i : h.cleaner->startupItems())
            if (i.title == title)
                return &i;
        return nullptr;
    }
};

} // namespace

TEST(QuickStartupPane, ScanningThenEmptyThenTheList)
{
    StartupPaneFixture f;
    EXPECT_EQ(f.pane.header()->title()->text(), "Startup apps");
    EXPECT_EQ(f.pane.header()->subtitle()->text(), "Turn startup items on or off");
    EXPECT_EQ(f.pane.content(), Content::empty);
    EXPECT_EQ(f.shown(), "empty");
    EXPECT_EQ(f.pane.emptyText()->text(), "No startup programs found");

    // A scan over entries already known shows only the progress.
    RemovableItem earlier;
    earlier.title = QStringLiteral("Earlier");
    f.h.cleaner->setStartupItems({earlier});
    EXPECT_EQ(f.shown(), "list");
    {
        StartupScanGate gate(f.h.fake);
        f.h.cleaner->scanStartupItems();
        EXPECT_EQ(f.pane.content(), Content::scanning);
        EXPECT_EQ(f.shown(), "progress");
        EXPECT_EQ(f.pane.progress()->label(), "Scanning…");
        EXPECT_TRUE(f.pane.list()->shownRows().isEmpty());
        gate.release();
        drainScans(nullptr, f.h.cleaner.get());
    }
    // The tree has no startup items.
    EXPECT_EQ(f.shown(), "empty");

    makeStartupTree(f.h.fake);
    scanNow(*f.h.cleaner);
    EXPECT_EQ(f.shown(), "list");
    QStringList titles;
    for (int i = 0; i < f.pane.list()->count(); ++i)
        titles << f.pane.rowFor(i)->title();
    EXPECT_EQ(titles, kTitles);
    // The second line is the category; the switch shows the entry's state.
    EXPECT_EQ(f.row("com.vendor.sync")->caption(), "Launch Agent");
    EXPECT_EQ(f.row("net.vendor.guard")->caption(), f.item("net.vendor.guard")->category);
    EXPECT_TRUE(f.toggle("com.vendor.sync")->isOn());
    EXPECT_FALSE(f.toggle("backupd")->isOn());
}

TEST(QuickStartupPane, AnEntryWithoutIconStartsWithItsTexts)
{
    StartupPaneFixture f;
    RemovableItem plain, pictured;
    plain.title = QStringLiteral("Plain");
    pictured.title = QStringLiteral("Pictured");
    pictured.icon = IconRef::fileIcon(QStringLiteral("/Applications/Sync.app"));
    f.h.cleaner->setStartupItems({plain, pictured});
    EXPECT_FALSE(f.row("Plain")->iconView()->isVisible());
    EXPECT_EQ(f.row("Plain")->textRect().left(), 12);
    EXPECT_TRUE(f.row("Pictured")->iconView()->isVisible());
    EXPECT_EQ(f.row("Pictured")->textRect().left(), 12 + QuickListRow::kIconSide + 10);
}

TEST(QuickStartupPane, ASwitchTurnsTheEntryOffAndARefusalKeepsItsState)
{
    StartupPaneFixture f;
    makeStartupTree(f.h.fake);
    scanNow(*f.h.cleaner);

    QTest::mouseClick(f.toggle("com.vendor.sync"), Qt::LeftButton);
    ASSERT_TRUE(drainScans(nullptr, f.h.cleaner.get()));
    EXPECT_TRUE(f.h.prompter.asked.isEmpty());
    EXPECT_EQ(disabledKey(f.h.fake, kSyncAgent), "true");
    EXPECT_FALSE(f.item("com.vendor.sync")->isEnabled);
    EXPECT_FALSE(f.toggle("com.vendor.sync")->isOn());

    // "broken" is no property list: the cleaner refuses, the switch stays on.
    f.h.prompter.script = {"OK"};
    QTest::mouseClick(f.toggle("broken"), Qt::LeftButton);
    ASSERT_TRUE(drainScans(nullptr, f.h.cleaner.get()));
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    const Prompt& alert = f.h.prompter.asked[0];
    EXPECT_EQ(alert.title, "Startup apps");
    EXPECT_EQ(alert.text, "Could not disable broken.");
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].title, "OK");
    EXPECT_EQ(alert.buttons[0].role, PromptButton::Role::cancel);
    EXPECT_TRUE(f.item("broken")->isEnabled);
    EXPECT_TRUE(f.toggle("broken")->isOn());
    EXPECT_EQ(scanCount(f.h.fake), 1);  // no rescan after a failure

    // An entry gone from the list meanwhile.
    f.pane.setEnabled(QStringLiteral("/Library/LaunchAgents/gone.plist"), false);
    ASSERT_TRUE(drainScans(nullptr, f.h.cleaner.get()));
    ASSERT_EQ(f.h.prompter.asked.size(), 2);
    EXPECT_EQ(f.h.prompter.asked[1].text, "Item not found.");
}

// Asked through the program's own prompter, the refusal's one button (in
// the cancel role) answers Return.
TEST(QuickStartupPane, ReturnClosesTheRefusalOnScreen)
{
    ShellHarness h;
    DialogPrompter onScreen;
    QuickStartupPane pane{*h.cleaner, onScreen};
    AlertKeys keys(Qt::Key_Return);
    pane.setEnabled(QStringLiteral("/Library/LaunchAgents/gone.plist"), false);
    ASSERT_TRUE(drainScans(nullptr, h.cleaner.get()));
    EXPECT_EQ(keys.answered, QStringList{"Startup apps"});
}
