#include "views/applications/UninstallFlow.h"

#include "Records.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "support/ScanGates.h"
#include "support/ShellHarness.h"
#include "views/applications/ApplicationsState.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

const QString kTrash = QStringLiteral("/Users/tester/.Trash");

// Real engines over a tree with Notes (three leftovers) and the Python group
// (IDLE and Python Launcher, one leftover each), scanned as the tab scans them.
struct FlowFixture {
    FakePlatform fp;
    AppScanner scanner{fp.platform()};
    SystemCleaner cleaner{fp.platform()};
    ApplicationsState state{scanner, cleaner, fp.settings};
    FakePrompter prompter;
    UninstallFlow flow{state, prompter};
    AppInfoPtr notes, idle, launcher, python;

    FlowFixture()
    {
        fp.tree().makeTrash();
        notes = app("/Applications/Notes.app", "com.example.notes", "Notes",
                    {"Caches/com.example.notes", "Preferences/com.example.notes.plist", "Logs/Notes"});
        idle = app("/Applications/Python 3.12/IDLE.app", "org.python.IDLE", "IDLE", {"Caches/org.python.IDLE"});
        launcher = app("/Applications/Python 3.12/Python Launcher.app", "org.python.PythonLauncher",
                       "Python Launcher", {"Caches/org.python.PythonLauncher"});
        python = makeGroup(QStringLiteral("Python 3.12"), {idle, launcher});
        scanner.setApps({notes, python});
        for (const AppInfoPtr& a : {notes, idle, launcher})
            scanner.scanLeftovers(a);
        settle();
        // Found leftovers come ticked; the tests start from nothing ticked.
        for (const AppInfoPtr& a : {notes, idle, launcher})
            a->applyRootSelection(false);
    }

    ~FlowFixture() { settle(); }

    AppInfoPtr app(const QString& path, const QString& id, const QString& name, const QStringList& files)
    {
        fp.tree().makeApp(path, id, name);
        for (const QString& f : files)
            fp.tree().write(fp.tree().library() + u'/' + f, (name + f).toUtf8());
        return makeApp({name, id, 4096, std::nullopt, path});
    }

    // Scans and uninstalls run off the GUI thread: waits until they have reported.
    void settle() { ASSERT_TRUE(drainScans(&scanner, &cleaner)); }

    bool inTrash(const QString& name) const { return fp.fs().existsNoFollow(kTrash + u'/' + name); }
    QStringList leftoverNames(const AppInfoPtr& a) const
    {
        return collect(a->leftovers(), [](const LeftoverPtr& l) { return l->path().section(u'/', -1); });
    }
};

} // namespace

TEST(UninstallFlow, NothingTickedTicksEverythingAndCancelKeepsTheTicks)
{
    FlowFixture f;
    ASSERT_EQ(f.notes->leftovers().size(), 3);
    f.state.selectApp(f.notes);
    f.prompter.script = {"Cancel"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();

    ASSERT_EQ(f.prompter.asked.size(), 1);
    const Prompt& p = f.prompter.asked.front();
    EXPECT_EQ(p.style, Prompt::Style::warning);
    EXPECT_EQ(p.title, "Uninstall Notes?");
    EXPECT_EQ(p.text, "Move the app and 3 related file(s) to the Trash, freeing "
                          + byteformat::string(f.notes->totalReclaimableSize()) + ".");
    ASSERT_EQ(p.buttons.size(), 2);
    EXPECT_EQ(p.buttons[0].title, "Uninstall");
    EXPECT_EQ(p.buttons[0].role, PromptButton::Role::defaultAction);
    EXPECT_EQ(p.buttons[1].title, "Cancel");
    EXPECT_EQ(p.buttons[1].role, PromptButton::Role::cancel);

    EXPECT_TRUE(f.notes->removeAppBundle());
    EXPECT_TRUE(f.notes->isSelected());
    for (const LeftoverPtr& l : f.notes->leftovers())
        EXPECT_TRUE(l->isSelected());
    EXPECT_TRUE(f.fp.tree().exists(f.notes->path()));
    EXPECT_EQ(f.scanner.apps().size(), 2);
    EXPECT_EQ(f.state.selectedApp(), f.notes);
    EXPECT_FALSE(f.flow.isRunning());
}

TEST(UninstallFlow, ConfirmedTheBundleAndTheTickedFilesGoToTheTrash)
{
    FlowFixture f;
    f.state.selectApp(f.notes);
    f.notes->applyRootSelection(true);
    f.notes->leftovers()[1]->setSelected(false, RootSync::Refresh);  // the preferences stay
    const QByteArray cache = f.fp.tree().read(f.notes->leftovers()[0]->path());
    f.prompter.script = {"Uninstall"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();

    EXPECT_TRUE(f.inTrash("Notes.app"));
    EXPECT_TRUE(f.inTrash("com.example.notes"));
    EXPECT_TRUE(f.inTrash("Notes"));
    EXPECT_EQ(f.fp.tree().read(kTrash + "/com.example.notes"), cache);
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Preferences/com.example.notes.plist"));
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Python 3.12"}));
    EXPECT_EQ(f.state.selectedApp(), nullptr);
    EXPECT_EQ(f.prompter.asked.size(), 1);
}

TEST(UninstallFlow, AGroupRowUninstallsItsFirstMemberAndTheLastTakesTheGroup)
{
    FlowFixture f;
    f.state.selectApp(f.python);
    f.prompter.script = {"Uninstall"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();
    ASSERT_EQ(f.prompter.asked.size(), 1);
    EXPECT_EQ(f.prompter.asked[0].title, "Uninstall IDLE?");
    EXPECT_TRUE(f.inTrash("IDLE.app"));
    EXPECT_TRUE(f.inTrash("org.python.IDLE"));
    // The group stays with its other member and without the member's size.
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Notes", "Python 3.12"}));
    ASSERT_EQ(f.python->members().size(), 1u);
    EXPECT_EQ(f.python->members().front(), f.launcher);
    EXPECT_EQ(f.python->appSize(), f.launcher->appSize());
    EXPECT_EQ(f.state.selectedApp(), nullptr);

    // A member row selected: that member goes, whatever else is ticked.
    f.state.selectMember(f.launcher, f.python);
    f.prompter.script = {"Uninstall"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();
    EXPECT_EQ(f.prompter.asked[1].title, "Uninstall Python Launcher?");
    EXPECT_TRUE(f.inTrash("Python Launcher.app"));
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Notes"}));
}

TEST(UninstallFlow, AnApplicationPickedWhileTheBundleMovesStaysSelected)
{
    FlowFixture f;
    f.state.selectApp(f.notes);
    f.prompter.script = {"Uninstall"};
    {
        TrashGate gate(f.fp);
        f.flow.confirmAndUninstall(f.state.selectedApp());
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        f.state.selectMember(f.idle, f.python);
    }
    f.settle();
    EXPECT_TRUE(f.inTrash("Notes.app"));
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Python 3.12"}));
    EXPECT_EQ(f.state.selectedApp(), f.idle);
}

TEST(UninstallFlow, BundleKeptOnlyTheFilesThatMovedLeaveTheList)
{
    FlowFixture f;
    const QString failing = f.fp.tree().library() + "/Logs/Notes";
    f.fp.trash->fail = [&](const QString& path) -> std::optional<Error> {
        if (path == failing)
            return Error{kCocoaErrorDomain, 512, QStringLiteral("The item couldn’t be moved to the Trash.")};
        return std::nullopt;
    };
    // Should the move ask for a password, the user cancels it.
    f.fp.admin->performMove = false;
    f.fp.admin->result = Error{kScriptErrorDomain, -128, {}};
    f.state.selectApp(f.notes);
    // Ticked: the cache and the log; the bundle and the preferences stay.
    f.notes->leftovers()[0]->setSelected(true, RootSync::Refresh);
    f.notes->leftovers()[2]->setSelected(true, RootSync::Refresh);
    f.prompter.script = {"Uninstall"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();

    ASSERT_EQ(f.prompter.asked.size(), 1);  // a skipped file is no error
    // The bundle is not ticked: the text promises only the files.
    EXPECT_TRUE(f.prompter.asked[0].text.startsWith("Move 2 related file(s) to the Trash, freeing "))
        << f.prompter.asked[0].text.toStdString();
    EXPECT_TRUE(f.inTrash("com.example.notes"));
    EXPECT_FALSE(f.inTrash("Notes.app"));
    EXPECT_TRUE(f.fp.tree().exists(failing));
    // The log could not move: it stays listed and ticked.
    EXPECT_EQ(f.leftoverNames(f.notes), (QStringList{"com.example.notes.plist", "Notes"}));
    EXPECT_TRUE(f.notes->leftovers()[1]->isSelected());
    EXPECT_EQ(f.state.selectedApp(), f.notes);
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Notes", "Python 3.12"}));
}

TEST(UninstallFlow, AFailedUninstallShowsTheErrorAndChangesNoList)
{
    FlowFixture f;
    const AppInfoPtr chess = f.app("/System/Applications/Chess.app", "com.apple.Chess", "Chess", {"Caches/com.apple.Chess"});
    f.scanner.setApps({f.notes, chess});
    f.scanner.scanLeftovers(chess);
    f.settle();
    chess->applyRootSelection(true);
    f.state.selectApp(chess);
    f.prompter.script = {"Uninstall"};
    f.flow.confirmAndUninstall(f.state.selectedApp());
    f.settle();

    ASSERT_EQ(f.prompter.asked.size(), 2);
    const Prompt& error = f.prompter.asked[1];
    EXPECT_EQ(error.title, "Refusing to remove a protected or system application.");
    EXPECT_TRUE(error.text.isEmpty());
    ASSERT_EQ(error.buttons.size(), 1);
    EXPECT_EQ(error.buttons[0].title, "OK");
    EXPECT_EQ(names(f.scanner.apps()), (QStringList{"Notes", "Chess"}));
    EXPECT_EQ(chess->leftovers().size(), 1);
    EXPECT_EQ(f.state.selectedApp(), chess);
    EXPECT_TRUE(f.fp.tree().exists(chess->path()));
    EXPECT_TRUE(f.fp.tree().exists(chess->leftovers().front()->path()));
}

TEST(UninstallFlow, APressWhileTheAlertIsUpDoesNothing)
{
    FlowFixture f;
    // A prompter whose user presses Uninstall again before answering.
    struct Impatient final : Prompter {
        UninstallFlow* flow = nullptr;
        AppInfoPtr app;
        int asked = 0;
        QList<bool> runningSeen;
        int ask(const Prompt&) override
        {
            ++asked;
            runningSeen << flow->isRunning();
            flow->confirmAndUninstall(app);
            return 1;
        }
    } impatient;
    UninstallFlow flow(f.state, impatient);
    impatient.flow = &flow;
    impatient.app = f.notes;
    QSignalSpy running(&flow, &UninstallFlow::runningChanged);
    f.state.selectApp(f.notes);
    flow.confirmAndUninstall(f.notes);
    EXPECT_EQ(impatient.asked, 1);
    EXPECT_EQ(impatient.runningSeen, QList<bool>{true});
    ASSERT_EQ(running.count(), 2);
    EXPECT_FALSE(flow.isRunning());
}
