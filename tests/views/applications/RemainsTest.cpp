#include "views/applications/RemainsFlow.h"

#include "Records.h"
#include "state/AppNavigation.h"
#include "engine/inventory/KnownApplications.h"
#include "platform/ThreadPool.h"
#include "support/AlertKeys.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "support/ScanGates.h"
#include "support/ShellHarness.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/RemainsRules.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

const QString kTrash = QStringLiteral("/Users/tester/.Trash");

// Real engines over a library holding the support files of Notes (installed)
// and of three applications that are gone: Evernote, Dropbox and Transmit.
struct RemainsFixture {
    FakePlatform fp;
    AppScanner scanner{fp.platform()};
    SystemCleaner cleaner{fp.platform()};
    AppNavigation navigation;
    ApplicationsState state{scanner, cleaner, fp.settings};
    FakePrompter prompter;
    RemainsFlow flow{state, navigation, prompter};

    RemainsFixture()
    {
        MacTree& t = fp.tree();
        t.makeTrash();
        const QString lib = t.library();
        t.makeApp("/Applications/Notes.app", "com.example.notes", "Notes");
        t.write(lib + "/Preferences/com.example.notes.plist", "notes prefs");
        t.write(lib + "/Application Support/Notes/store.db", "notes store");
        t.write(lib + "/Preferences/com.evernote.Evernote.plist", "evernote prefs");
        t.write(lib + "/Application Support/Evernote/db", "evernote db");
        t.write(lib + "/Preferences/com.getdropbox.dropbox.plist", "dropbox prefs");
        t.write(lib + "/Application Support/Transmit/Favorites.db", "transmit favourites");
        navigation.setAppsSegment(AppsSegment::remains);
    }

    ~RemainsFixture() { settle(); }

    void scanApps()
    {
        scanner.scanInstalledApps();
        settle();
    }

    // The applications, then the remains they leave unexplained.
    void findRemains()
    {
        scanApps();
        flow.triggerRemainsScan(Rescan::Force);
        settle();
    }

    void settle()
    {
        ASSERT_TRUE(drainScans(&scanner, &cleaner));
        waitForEnginePool();
        QCoreApplication::processEvents();
    }

    QStringList titles() const
    {
        return collect(cleaner.remainingFiles(), [](const RemovableItem& r) { return r.title; });
    }

    const RemovableItem& entry(const QString& title) const
    {
        for (const RemovableItem& r : cleaner.remainingFiles())
            if (r.title == title)
                return r;
        ADD_FAILURE() << "no remains entry " << title.toStdString();
        static const RemovableItem none;
        return none;
    }

    void tick(const QString& title) { state.setRemainTicked(entry(title).id, true); }
    bool inTrash(const QString& name) const { return fp.fs().existsNoFollow(kTrash + u'/' + name); }
    QByteArray trashed(const QString& name) { return fp.tree().read(kTrash + u'/' + name); }
};

} // namespace

TEST(KnownApplications, AGroupCountsAsItsMembersAndNamesStayAsStored)
{
    const AppInfoPtr mail = makeApp({"Mail", "com.example.mail"});
    const AppInfoPtr a = makeApp({"Adobe Illustrator", "com.adobe.illustrator"});
    const AppInfoPtr b = makeApp({"Photoshop ", "com.adobe.Photoshop"});
    const AppInfoPtr c = makeApp({"Bridge", "com.adobe.bridge"});
    const AppInfoPtr adobe = makeGroup("Adobe", {a, b, c});
    const KnownApplications known = knownApplications({mail, adobe});
    EXPECT_EQ(known.bundleIds, (QSet<QString>{"com.example.mail", "com.adobe.illustrator", "com.adobe.Photoshop",
                                              "com.adobe.bridge"}));
    EXPECT_EQ(known.names, (QSet<QString>{"Mail", "Adobe Illustrator", "Photoshop ", "Bridge"}));
    EXPECT_TRUE(knownApplications({}).names.isEmpty());
}

TEST(RemainsFlow, NoScanWhileTheApplicationsAreUnknownThenOneWithThem)
{
    RemainsFixture f;
    // Nothing known yet: the finder would be told of no application at all.
    f.flow.triggerRemainsScan(Rescan::IfIdle);
    EXPECT_TRUE(f.flow.isWaitingForApplications());
    EXPECT_FALSE(f.cleaner.isScanningRemaining());
    f.settle();
    EXPECT_TRUE(f.cleaner.remainingFiles().isEmpty());

    // Once the list is published the waiting request runs, with Notes known.
    f.scanApps();
    EXPECT_FALSE(f.flow.isWaitingForApplications());
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Evernote", "Getdropbox", "Transmit"}));
    EXPECT_EQ(f.cleaner.orphanCountForMenuBar(), 3);
}

TEST(RemainsFlow, AWaitingRequestIsDroppedWhenTheSegmentWasLeft)
{
    RemainsFixture f;
    f.flow.triggerRemainsScan(Rescan::Force);
    ASSERT_TRUE(f.flow.isWaitingForApplications());
    f.navigation.setAppsSegment(AppsSegment::apps);
    f.scanApps();
    EXPECT_FALSE(f.flow.isWaitingForApplications());
    EXPECT_FALSE(f.cleaner.isScanningRemaining());
    EXPECT_TRUE(f.cleaner.remainingFiles().isEmpty());
}

TEST(RemainsFlow, ARequestDuringTheApplicationScanWaitsForItsEnd)
{
    RemainsFixture f;
    f.scanApps();
    f.scanner.scanInstalledApps();
    ASSERT_TRUE(f.scanner.isScanning());
    f.flow.triggerRemainsScan(Rescan::Force);
    EXPECT_TRUE(f.flow.isWaitingForApplications());
    EXPECT_FALSE(f.cleaner.isScanningRemaining());
    f.settle();
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Evernote", "Getdropbox", "Transmit"}));
}

TEST(RemainsFlow, UnforcedScansOnlyWhenNothingIsKnownForcedAlways)
{
    RemainsFixture f;
    f.scanApps();
    RemovableItem sentinel;
    sentinel.title = "Sentinel";
    f.cleaner.setRemainingFiles({sentinel});
    f.flow.triggerRemainsScan(Rescan::IfIdle);
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Sentinel"}));
    f.flow.triggerRemainsScan(Rescan::Force);
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Evernote", "Getdropbox", "Transmit"}));
}

TEST(RemainsFlow, CancelChangesNothing)
{
    RemainsFixture f;
    f.findRemains();
    f.tick("Evernote");
    f.state.selectRemain(f.entry("Transmit").id);
    f.prompter.script = {"Cancel"};
    f.flow.confirmAndRemove();

    ASSERT_EQ(f.prompter.asked.size(), 1);
    const Prompt& ask = f.prompter.asked[0];
    EXPECT_EQ(ask.title, "Remove selected remains?");
    EXPECT_TRUE(ask.text.isEmpty());
    ASSERT_EQ(ask.buttons.size(), 2);
    EXPECT_EQ(ask.buttons[0].title, "Move to Trash");
    EXPECT_EQ(ask.buttons[0].role, PromptButton::Role::destructive);
    EXPECT_EQ(ask.buttons[1].title, "Cancel");
    EXPECT_EQ(f.titles(), (QStringList{"Evernote", "Getdropbox", "Transmit"}));
    EXPECT_TRUE(f.entry("Evernote").isSelected);
    EXPECT_EQ(f.state.selectedRemain()->title, "Transmit");
    EXPECT_EQ(f.cleaner.orphanCountForMenuBar(), 3);
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Application Support/Evernote/db"));
}

// Asked through the program's own prompter, Return on the confirmation
// presses Cancel, the button drawn filled: nothing moves.
TEST(RemainsFlow, ReturnOnTheConfirmationOnScreenCancels)
{
    RemainsFixture f;
    f.findRemains();
    f.tick("Evernote");
    DialogPrompter onScreen;
    RemainsFlow flow{f.state, f.navigation, onScreen};
    AlertKeys keys(Qt::Key_Return);
    flow.confirmAndRemove();
    f.settle();
    EXPECT_EQ(keys.answered, QStringList{"Remove selected remains?"});
    EXPECT_EQ(f.titles(), (QStringList{"Evernote", "Getdropbox", "Transmit"}));
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Application Support/Evernote/db"));
}

TEST(RemainsFlow, MoveToTrashTakesEveryTickedEntryAlsoOnesTheSearchHides)
{
    RemainsFixture f;
    f.findRemains();
    f.tick("Evernote");
    f.tick("Transmit");
    f.state.setSearchText("Transmit");
    f.state.selectRemain(f.entry("Transmit").id);
    f.prompter.script = {"Move to Trash"};
    f.flow.confirmAndRemove();
    f.settle();

    EXPECT_EQ(f.prompter.asked.size(), 1);  // nothing failed, nothing to report
    EXPECT_EQ(f.titles(), (QStringList{"Getdropbox"}));
    EXPECT_FALSE(f.state.selectedRemain().has_value());
    EXPECT_EQ(f.cleaner.orphanCountForMenuBar(), 1);
    // Every file of the two entries lies in the Trash as it was.
    EXPECT_EQ(f.trashed("com.evernote.Evernote.plist"), "evernote prefs");
    EXPECT_EQ(f.trashed("Evernote/db"), "evernote db");
    EXPECT_EQ(f.trashed("Transmit/Favorites.db"), "transmit favourites");
    EXPECT_FALSE(f.fp.tree().exists(f.fp.tree().library() + "/Application Support/Evernote"));
    // The unticked entry and the installed application's files are untouched.
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Preferences/com.getdropbox.dropbox.plist"));
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Application Support/Notes/store.db"));
}

TEST(RemainsFlow, EntriesThatDidNotMoveStayTickedAndAreNamedOnceWithTheReason)
{
    RemainsFixture f;
    f.findRemains();
    const QString stuck = f.fp.tree().library() + "/Application Support/Evernote";
    const QString full = f.fp.tree().library() + "/Preferences/com.evernote.Evernote.plist";
    f.fp.trash->fail = [&](const QString& path) -> std::optional<Error> {
        if (path == stuck)
            return Error{kCocoaErrorDomain, 513, QStringLiteral("You don’t have permission.")};
        if (path == full)
            return Error{kCocoaErrorDomain, 640, QStringLiteral("There isn’t enough space.")};
        return std::nullopt;
    };
    // The administrator prompt that follows is cancelled.
    f.fp.admin->performMove = false;
    f.fp.admin->result = Error{kScriptErrorDomain, -128, {}};
    for (const char* t : {"Evernote", "Getdropbox", "Transmit"})
        f.tick(t);
    f.prompter.script = {"Move to Trash"};
    f.flow.confirmAndRemove();
    f.settle();

    // Neither of Evernote's files moved (a full volume is not asked about):
    // the entry stays, ticked, and is named once, with its first file's reason.
    EXPECT_EQ(f.titles(), (QStringList{"Evernote"}));
    EXPECT_TRUE(f.entry("Evernote").isSelected);
    EXPECT_TRUE(f.fp.tree().exists(stuck + "/db"));
    EXPECT_TRUE(f.fp.tree().exists(full));
    EXPECT_EQ(f.cleaner.orphanCountForMenuBar(), 1);
    ASSERT_EQ(f.prompter.asked.size(), 2);
    EXPECT_EQ(f.prompter.asked[1].title, "Couldn’t remove");
    EXPECT_EQ(f.prompter.asked[1].text, "Evernote: There isn’t enough space.");
    EXPECT_EQ(f.trashed("Transmit/Favorites.db"), "transmit favourites");
}

TEST(RemainsFlow, TheDetailLetsGoOfItsEntryUnlessAnotherWasPickedWhileTheFilesMoved)
{
    RemainsFixture f;
    f.findRemains();
    f.tick("Evernote");
    f.state.selectRemain(f.entry("Evernote").id);
    f.prompter.script = {"Move to Trash", "Move to Trash"};
    {
        TrashGate gate(f.fp);
        f.flow.confirmAndRemove();
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        f.state.selectRemain(f.entry("Transmit").id);
    }
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Getdropbox", "Transmit"}));
    ASSERT_TRUE(f.state.selectedRemain());
    EXPECT_EQ(f.state.selectedRemain()->title, "Transmit");

    // The same entry picked again from a rescan made meanwhile is no other:
    // its row and the detail go.
    f.tick("Transmit");
    const QUuid before = f.entry("Transmit").id;
    {
        TrashGate gate(f.fp);
        f.flow.confirmAndRemove();
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        f.flow.triggerRemainsScan(Rescan::Force);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.cleaner.isScanningRemaining(); }, 60000));
        ASSERT_NE(f.entry("Transmit").id, before);
        f.state.selectRemain(f.entry("Transmit").id);
    }
    f.settle();
    EXPECT_EQ(f.titles(), (QStringList{"Getdropbox"}));
    EXPECT_FALSE(f.state.selectedRemain());
    EXPECT_EQ(f.prompter.asked.size(), 2);
}

TEST(RemainsRules, WhatStaysAfterTheTrashAndHowFailuresAreNamed)
{
    auto item = [](const QString& title, bool ticked, QStringList paths) {
        RemovableItem r;
        r.title = title;
        r.isSelected = ticked;
        r.path = paths.first();
        r.relatedPaths = paths.size() > 1 ? paths : QStringList{};
        return r;
    };
    const QList<RemovableItem> list{item("A", true, {"/a"}), item("B", false, {"/b"}), item("C", true, {"/c1", "/c2"}),
                                    item("D", true, {"/d"})};
    struct Case {
        QStringList failed;
        QStringList kept, named;
    } cases[] = {
        {{}, {"B"}, {}},
        {{"/c2"}, {"B", "C"}, {"C"}},
        {{"/a", "/d"}, {"A", "B", "D"}, {"A", "D"}},
        {{"/b"}, {"B"}, {}},  // an unticked entry's path was never tried
    };
    for (const Case& c : cases) {
        const cleaner::EntriesAfterTrash after =
            cleaner::entriesAfterTrash(list, apps::selectedRemains(list), c.failed);
        EXPECT_EQ(collect(after.kept, [](const RemovableItem& r) { return r.title; }), c.kept) << c.failed.join(',').toStdString();
        EXPECT_EQ(after.failed, c.named);
    }
    EXPECT_EQ(apps::selectedRemains(list).size(), 3);

    // An entry is named once, by its first failure: a refusal by its title
    // alone, any other with the failure's own text.
    auto failed = [](const QList<std::pair<QString, Error>>& entries) {
        RemovalReport report;
        for (const auto& [title, reason] : entries)
            report.failures << RemovalFailure{"/" + title, title, reason};
        return apps::remainsFailureAlert(report);
    };
    const Error busy{kPosixErrorDomain, 16, "Device busy."};
    const Error denied{kAppErrorDomain, 2, "“A” could not be moved to the Trash: no administrator prompt is available."};
    EXPECT_EQ(failed({{"A", removal::refused()}, {"A", busy}, {"B", denied}, {"C", busy}}).text,
              "A\nB: “A” could not be moved to the Trash: no administrator prompt is available.\nC: Device busy.");
    EXPECT_EQ(failed({{"A", busy}, {"A", removal::refused()}, {"B", busy}, {"C", busy}, {"D", busy}, {"E", busy}}).text,
              "A: Device busy.\nB: Device busy.\nC: Device busy.\n…and 2 more.");
    ASSERT_EQ(failed({{"A", busy}}).buttons.size(), 1);
    EXPECT_EQ(failed({{"A", busy}}).buttons[0].title, "OK");
}

TEST(RemainsFlow, HostileNamesShowAndMoveAsTheyAre)
{
    RemainsFixture f;
    const QString longName = QStringLiteral("Quite") + QString(200, u'x');
    // A file under the library, and the title the finder gives it.
    const std::pair<QString, QString> files[] = {
        {"Application Support/Say \"Cheese\"/data", "Say \"Cheese\""},
        {"Application Support/Line\nBreak/data", "Line\nBreak"},
        {"Application Support/O'Brien/data", "O'Brien"},
        {"Application Support/" + longName + "/data", longName},
        {"Application Support/Dots..Hole/data", "Hole"},
        {"Preferences/-rf.hostile.plist", "Hostile"},
    };
    for (const auto& [file, title] : files)
        f.fp.tree().write(f.fp.tree().library() + u'/' + file, file.toUtf8());
    f.findRemains();
    for (const auto& [file, title] : files) {
        EXPECT_TRUE(f.titles().contains(title)) << title.toStdString();
        f.tick(title);
    }
    f.prompter.script = {"Move to Trash"};
    f.flow.confirmAndRemove();
    f.settle();
    EXPECT_EQ(f.prompter.asked.size(), 1);
    for (const auto& [file, title] : files) {
        EXPECT_FALSE(f.titles().contains(title)) << title.toStdString();
        EXPECT_FALSE(f.fp.tree().exists(f.fp.tree().library() + u'/' + file)) << file.toStdString();
        EXPECT_EQ(f.trashed(file.section(u'/', 1)), file.toUtf8()) << file.toStdString();
    }
    EXPECT_TRUE(f.fp.tree().exists(f.fp.tree().library() + "/Application Support/Notes/store.db"));
}
