#include "Entries.h"
#include "support/FakePlatform.h"
#include "engine/cleaner/TrashEntries.h"
#include "views/extensions/ExtensionRules.h"
#include "views/extensions/ExtensionsState.h"

#include <QSemaphore>
#include <QSignalSpy>

#include <gtest/gtest.h>

using tw::test::FakePlatform;
using tw::test::MacTree;
using Kind = ExtensionCategoryKind;

namespace {

struct RemovalFixture : ::testing::Test {
    FakePlatform fp;
    MacTree& t = fp.tree();
    QString home = t.home();
    SystemCleaner cleaner{fp};

    void SetUp() override { t.makeTrash(); }

    // An entry whose one file holds its own path as bytes.
    RemovableItem onDisk(const QString& title, const QString& category, const QString& path)
    {
        t.write(path, path.toUtf8());
        return ext(title, category, 10, {}, path);
    }
    bool inTrash(const QString& path) const
    {
        const QString trashed = home + "/.Trash/" + path.section(u'/', -1);
        return t.exists(trashed) && t.read(trashed) == path.toUtf8();
    }
    void removeAndWait(ExtensionsState& s)
    {
        QSignalSpy done(&s, &ExtensionsState::removalFinished);
        s.removeSelected();
        ASSERT_TRUE(s.isRemoving());
        ASSERT_TRUE(done.wait(10000));
    }
};

// A Trash run over the targets, as the tab reads it: its failure lines and the entries it tried.
struct Outcome {
    QStringList failures;
    QSet<QString> attempted;
};
Outcome trashTargets(const tw::Platform& platform, const QList<RemovableItem>& targets)
{
    const tw::RemovalReport report = tw::cleaner::trashEntries(platform, targets);
    return {tw::removal::failureLines(report.failures),
            QSet<QString>(report.attemptedEntries.begin(), report.attemptedEntries.end())};
}

} // namespace

TEST_F(RemovalFixture, RefusalsOfTheSafetyTestStandWhateverTheName)
{
    t.mkdir("/System/Library/Extensions");
    t.mkdir(home + "/Library/Internet Plug-Ins");
    // A plug-in folder that is a link into the system's protected folders.
    t.symlink(home + "/Library/Internet Plug-Ins/Linked", t.host("/System/Library/Extensions"));
    const struct {
        QString path;
        bool moves;
    } cases[] = {
        {"/System/Library/Extensions/Driver.kext", false},
        {"/System/Library/Extensions/Tool.plugin", false},
        {home + "/Library/Internet Plug-Ins/Linked/Audio.plugin", false},
        {home + "/Library/Keychains/extensions/login.keychain-db", false},
        {home + "/.Trash/Old.prefPane", false},
        {"/usr/lib/extensions/x.dylib", false},
        {"/Applications/Helper.app", false},
        {home + "/Downloads/SETUP.PKG", true},
        {home + "/Library/Screen Savers/Flurry.saver", true},
        {home + "/Library/Application Support/Google/Chrome/Default/Extensions/abc", true},
    };
    for (const auto& c : cases) {
        if (!c.path.contains("/Linked/"))
            t.write(c.path, c.path.toUtf8());
        else
            t.write("/System/Library/Extensions/Audio.plugin", "audio");
        const auto outcome = trashTargets(fp, {ext("Item", "Widgets", 1, {}, c.path)});
        EXPECT_EQ(outcome.failures, c.moves ? QStringList{} : QStringList{"Item"}) << c.path.toStdString();
        EXPECT_EQ(outcome.attempted, QSet<QString>{c.path});
        EXPECT_EQ(t.exists(c.path), !c.moves) << c.path.toStdString();
    }
    EXPECT_TRUE(t.exists("/System/Library/Extensions/Audio.plugin"));
    EXPECT_TRUE(fp.admin->calls.empty());  // nothing refused ever reaches the administrator move
}

TEST_F(RemovalFixture, EveryFileIsTriedAndEachFailureIsOneLine)
{
    const QString a = home + "/Library/Widgets/A.wdgt", b = home + "/Library/Widgets/B.wdgt";
    t.write(a, "a");
    t.write(b, "b");
    t.write(home + "/Library/Widgets/C.wdgt", "c");
    fp.trash->fail = [&](const QString& path) -> std::optional<Error> {
        if (path.endsWith("C.wdgt"))
            return Error{"NSCocoaErrorDomain", 513, "You don’t have permission."};
        return std::nullopt;
    };
    fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    fp.admin->performMove = false;
    RemovableItem multi = ext("Multi", "Widgets", 1, {}, a);
    multi.relatedPaths = {"/System/Library/Protected.wdgt", b, home + "/Library/Widgets/C.wdgt",
                          home + "/Library/Widgets/Gone.wdgt"};
    const auto outcome = trashTargets(fp, {multi, ext("Refused", "Widgets", 1, {}, "/System/Library/X.wdgt")});
    EXPECT_EQ(outcome.failures, (QStringList{"Multi",
                                            "Multi: Uninstall cancelled — administrator permission is required to "
                                            "remove this item.",
                                            "Refused"}));
    EXPECT_EQ(outcome.attempted, (QSet<QString>{a, "/System/Library/X.wdgt"}));
    // The related files stand for the item: its own path is not touched.
    EXPECT_TRUE(t.exists(a));
    EXPECT_FALSE(t.exists(b));
    EXPECT_TRUE(t.exists(home + "/Library/Widgets/C.wdgt"));
}

TEST_F(RemovalFixture, MovesOnlyTheSelectedVisibleEntriesAndReselects)
{
    const QString savers = home + "/Library/Screen Savers/";
    const QString chrome = home + "/Library/Application Support/Google/Chrome/Default/Extensions/";
    RemovableItem flurry = onDisk("Flurry", "Screen Savers", savers + "Flurry.saver");
    flurry.subtitle = "Au revoir";
    cleaner.setExtensions({
        onDisk("Aurora", "Screen Savers", savers + "Aurora.saver"),
        onDisk("Drift", "Screen Savers", savers + "Drift.saver"),
        flurry,
        onDisk("Docs", "Google Chrome Extensions", chrome + "docs"),
    });
    ExtensionsState s(cleaner);
    s.setSelectedCategory(Kind::screenSavers);
    s.toggleSelected(savers + "Flurry.saver");  // Aurora, Drift selected
    s.setSearchText("Au");                      // Drift hidden, Flurry shown
    s.toggleSelected(chrome + "docs");          // another kind
    EXPECT_TRUE(s.canRemove());

    removeAndWait(s);
    EXPECT_TRUE(inTrash(savers + "Aurora.saver"));
    for (const QString& stays : {savers + "Drift.saver", savers + "Flurry.saver", chrome + "docs"})
        EXPECT_EQ(t.read(stays), stays.toUtf8());
    EXPECT_EQ(titles(cleaner.extensions()), (QStringList{"Drift", "Flurry", "Docs"}));
    EXPECT_EQ(s.summary(Kind::screenSavers).count, 2);
    // The shorter list selects every remaining visible entry, nothing else.
    EXPECT_EQ(selectedTitles(cleaner.extensions(), s.selectedPaths()), QStringList{"Flurry"});
    EXPECT_FALSE(s.removeError().has_value());
    EXPECT_FALSE(s.isRemoving());
}

TEST_F(RemovalFixture, FailuresReachTheAlertAndTheRefusedItemsStayListed)
{
    QList<RemovableItem> list;
    for (int i = 1; i <= 5; ++i)
        list << ext(QString("Driver %1").arg(i), "Internet Plugins", 1, {},
                    QString("/System/Library/Extensions/D%1.kext").arg(i));
    list << onDisk("Flash", "Internet Plugins", "/Library/Internet Plug-Ins/Flash.plugin");
    cleaner.setExtensions(list);
    ExtensionsState s(cleaner);
    s.chooseCategory(Kind::internetPlugins);
    QSignalSpy errors(&s, &ExtensionsState::removeErrorChanged);

    removeAndWait(s);
    ASSERT_TRUE(s.removeError().has_value());
    EXPECT_EQ(*s.removeError(), "Driver 1\nDriver 2\nDriver 3\n…and 2 more.");
    EXPECT_TRUE(inTrash("/Library/Internet Plug-Ins/Flash.plugin"));
    EXPECT_EQ(titles(cleaner.extensions()), titles(list.mid(0, 5)));
    EXPECT_EQ(errors.size(), 1);

    s.dismissRemoveError();
    EXPECT_FALSE(s.removeError().has_value());

    // A rescan lists again what is still on disk; a run without failures
    // leaves the alert closed.
    cleaner.setExtensions({onDisk("Java", "Internet Plugins", "/Library/Internet Plug-Ins/Java.plugin")});
    removeAndWait(s);
    EXPECT_FALSE(s.removeError().has_value());
    EXPECT_EQ(errors.size(), 2);
}

// A move that fails, also after the administrator prompt, leaves its item
// listed and ticked for another try, the kind counting it; what moved leaves.
TEST_F(RemovalFixture, AnItemThatDidNotMoveStaysListedAndTickedForARetry)
{
    const QString widgets = home + "/Library/Widgets/";
    const RemovableItem clock = onDisk("Clock", "Widgets", widgets + "Clock.wdgt");
    const RemovableItem stuck = onDisk("Stuck", "Widgets", widgets + "Stuck.wdgt");
    cleaner.setExtensions({clock, stuck});
    fp.trash->fail = [&](const QString& path) -> std::optional<Error> {
        if (path == stuck.path)
            return Error{"NSCocoaErrorDomain", 513, "You don’t have permission."};
        return std::nullopt;
    };
    fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    fp.admin->performMove = false;
    ExtensionsState s(cleaner);
    s.chooseCategory(Kind::widgets);
    ASSERT_EQ(s.selectedCount(), 2);

    for (int run = 0; run < 2; ++run) {  // the second with the failing item alone
        SCOPED_TRACE(run);
        removeAndWait(s);
        EXPECT_EQ(titles(s.categoryItems()), QStringList{"Stuck"});
        EXPECT_EQ(s.summary(Kind::widgets).count, 1);
        EXPECT_TRUE(s.isSelected(stuck.path));
        EXPECT_TRUE(s.canRemove());
        ASSERT_TRUE(s.removeError().has_value());
        EXPECT_TRUE(s.removeError()->startsWith("Stuck: ")) << s.removeError()->toStdString();
        s.dismissRemoveError();
    }
    EXPECT_TRUE(inTrash(clock.path));
    fp.trash->fail = {};
    removeAndWait(s);
    EXPECT_TRUE(cleaner.extensions().isEmpty());
    EXPECT_TRUE(inTrash(stuck.path));
    EXPECT_EQ(s.selectedCount(), 0);
}

TEST_F(RemovalFixture, AFileNoAdministratorPromptCouldAskForIsNamedWithTheReason)
{
    const RemovableItem flash = onDisk("Flash", "Internet Plugins", "/Library/Internet Plug-Ins/Flash.plugin");
    fp.trash->fail = [](const QString&) {
        return std::optional<tw::Error>(tw::Error{tw::kCocoaErrorDomain, 513, QStringLiteral("no permission")});
    };
    fp.admin->result = tw::Error::unavailable();
    EXPECT_EQ(trashTargets(fp, {flash}).failures,
              QStringList{"Flash: “Flash.plugin” could not be moved to the Trash: no administrator prompt is available on "
                          "this desktop."});
}

TEST_F(RemovalFixture, ClicksWhileARemovalRunsAreDropped)
{
    const QString savers = home + "/Library/Screen Savers/";
    cleaner.setExtensions({onDisk("Aurora", "Screen Savers", savers + "Aurora.saver"),
                           onDisk("Drift", "Screen Savers", savers + "Drift.saver")});
    ExtensionsState s(cleaner);
    s.setSelectedCategory(Kind::screenSavers);
    s.toggleSelected(savers + "Drift.saver");  // only Aurora

    QSemaphore entered, release;
    fp.trash->fail = [&](const QString&) -> std::optional<Error> {
        entered.release();
        release.tryAcquire(1, 10000);  // never hangs the pool, even when a test fails
        return std::nullopt;
    };
    QSignalSpy done(&s, &ExtensionsState::removalFinished);
    s.removeSelected();
    ASSERT_TRUE(entered.tryAcquire(1, 10000));
    EXPECT_TRUE(s.isRemoving());
    EXPECT_FALSE(s.canRemove());
    s.toggleSelected(savers + "Drift.saver");
    s.removeSelected();  // dropped: one run at a time
    release.release();
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(fp.trash->calls, QStringList{savers + "Aurora.saver"});
    EXPECT_EQ(t.read(savers + "Drift.saver"), (savers + "Drift.saver").toUtf8());
    EXPECT_EQ(titles(cleaner.extensions()), QStringList{"Drift"});
}

TEST_F(RemovalFixture, NothingSelectedDoesNothing)
{
    cleaner.setExtensions({ext("Aurora", "Screen Savers", 1)});
    ExtensionsState s(cleaner);
    QSignalSpy removing(&s, &ExtensionsState::removingChanged);
    s.removeSelected();  // the selected kind has no entries
    s.setSelectedCategory(Kind::screenSavers);
    s.toggleSelected(s.categoryItems().first().path);
    s.removeSelected();
    EXPECT_EQ(removing.size(), 0);
    EXPECT_EQ(cleaner.extensions().size(), 1);
}

TEST_F(RemovalFixture, TheEngineListLosesTheEntriesEvenWhenTheTabIsGone)
{
    const QString aurora = home + "/Library/Screen Savers/Aurora.saver";
    cleaner.setExtensions({onDisk("Aurora", "Screen Savers", aurora)});
    auto s = std::make_unique<ExtensionsState>(cleaner);
    s->setSelectedCategory(Kind::screenSavers);
    QSignalSpy changed(&cleaner, &SystemCleaner::extensionsChanged);
    s->removeSelected();
    s.reset();
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_TRUE(cleaner.extensions().isEmpty());
    EXPECT_TRUE(inTrash(aurora));
}
