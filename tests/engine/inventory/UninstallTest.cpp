#include "engine/inventory/AppScanner.h"
#include "engine/inventory/SafetyTest.h"
#include "support/FakePlatform.h"
#include "support/Awaited.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kHome = QStringLiteral("/Users/tester");
const QString kLib = QStringLiteral("/Users/tester/Library");
const QString kTrash = QStringLiteral("/Users/tester/.Trash");

struct Fixture {
    FakePlatform fp;
    AppScanner scanner{fp.platform()};
    std::vector<std::pair<QString, QString>> told;

    Fixture()
    {
        scanner.setUninstallObserver([this](const QString& path, const QString& id) { told.emplace_back(path, id); });
    }

    AppInfoPtr app(const QString& path, const QString& id, const QString& name)
    {
        fp.tree().makeApp(path, id, name);
        return AppInfo::make({name, id, path});
    }

    LeftoverPtr leftover(const QString& path, bool selected = true)
    {
        fp.tree().write(path + "/data", path.toUtf8());
        auto l = LeftoverFile::make({path, 10, QStringLiteral("Caches")});
        l->setIsSelected(selected);
        return l;
    }

    bool inTrash(const QString& name) const { return fp.fs().existsNoFollow(kTrash + "/" + name); }
};

} // namespace

TEST(Uninstall, OnlyBundlesInsideTheApplicationFoldersAreUserBundles)
{
    const std::pair<const char*, bool> cases[] = {
        {"/Applications/Tool.app", true},                          {"/Applications/Utilities/Tool.app", true},
        {"/Applications/Suite.app/Contents/Helpers/Tool.app", true}, {"/Users/tester/Applications/Tool.app", true},
        {"/Users/tester/Applications/Tool.app/", true},             {"/System/Applications/Tool.app", false},
        {"/System/Volumes/Data/Applications/Tool.app", false},      {"/SystemTools/Applications/Tool.app", false},
        {"/Applications/../System/Applications/Tool.app", false},   {"/Users/other/Applications/Tool.app", false},
        {"/Library/Tool.app", false},                               {"/Applications/Tool", false},
        {"/Applications/Tool.APP", false},                          {"/Applications.app", false},
        {"", false},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(safety::isUserAppBundle(kHome, QString::fromUtf8(path)), expected) << path;

    // A home reported on the system volume: its Applications folder passes the
    // folder rule, and only the "/System" rule refuses it.
    const QString dataHome = QStringLiteral("/System/Volumes/Data/Users/tester");
    EXPECT_FALSE(safety::isUserAppBundle(dataHome, dataHome + "/Applications/Tool.app"));
    EXPECT_TRUE(safety::isUserAppBundle(dataHome, "/Applications/Tool.app"));
}

TEST(Uninstall, ARefusedBundleIsToldToTheWatcherButNothingIsQuitOrMoved)
{
    Fixture f;
    const auto app = f.app("/System/Applications/Chess.app", "com.apple.Chess", "Chess");
    const auto l = f.leftover(kLib + "/Caches/com.apple.Chess");
    f.fp.runningApps.apps = {{9, "/System/Applications/Chess.app"}};

    const auto r = tw::test::uninstalled(f.scanner, app, {l}, BundleRemoval::MoveToTrash);
    ASSERT_FALSE(r.status.ok());
    EXPECT_EQ(r.status.error(), (Error{kAppErrorDomain, 1, QStringLiteral("Refusing to remove a protected or system application.")}));
    EXPECT_EQ(f.told, (std::vector<std::pair<QString, QString>>{{"/System/Applications/Chess.app", "com.apple.Chess"}}));
    EXPECT_TRUE(f.fp.runningApps.terminated.empty());
    EXPECT_TRUE(f.fp.clock.sleeps.empty());
    EXPECT_TRUE(f.fp.tree().exists("/System/Applications/Chess.app"));
    EXPECT_TRUE(f.fp.tree().exists(l->path()));
    EXPECT_TRUE(r.moved.isEmpty());
}

TEST(Uninstall, LeftoversOnlyMoveWhenSelectedSafeAndOwned)
{
    Fixture f;
    const auto app = f.app("/Applications/My App.app", "com.example.MyApp", "My App");
    const auto owned = f.leftover(kLib + "/Application Support/My App");
    const auto compact = f.leftover(kLib + "/Caches/MyApp");
    const auto byId = f.leftover(kLib + "/Caches/com.example.myapp");
    const auto unselected = f.leftover(kLib + "/Logs/com.example.MyApp", false);
    const auto foreign = f.leftover(kLib + "/Caches/com.other.thing");
    const auto unsafe = LeftoverFile::make({kLib + "/Caches", 0, QStringLiteral("Caches")});
    f.fp.runningApps.apps = {{3, "/Applications/My App.app"}};

    const auto r = tw::test::uninstalled(f.scanner, app, {owned, compact, byId, unselected, foreign, unsafe}, BundleRemoval::Keep);
    EXPECT_TRUE(r.status.ok());
    EXPECT_EQ(f.told.size(), 1u);
    // The bundle is neither tested, quit nor moved.
    EXPECT_TRUE(f.fp.runningApps.terminated.empty());
    EXPECT_TRUE(f.fp.clock.sleeps.empty());
    EXPECT_TRUE(f.fp.tree().exists("/Applications/My App.app"));

    EXPECT_EQ(r.moved, (QStringList{owned->path(), compact->path(), byId->path()}));
    EXPECT_EQ(r.failedPaths(), (QStringList{foreign->path(), unsafe->path()}));
    EXPECT_TRUE(f.inTrash("My App") && f.inTrash("MyApp") && f.inTrash("com.example.myapp"));
    EXPECT_TRUE(f.fp.tree().exists(unselected->path()));
    EXPECT_TRUE(f.fp.tree().exists(foreign->path()));
    EXPECT_TRUE(f.fp.tree().exists(kLib + "/Caches"));
}

TEST(Uninstall, QuitsMovesTheBundleAndReportsLeftoversThatStayed)
{
    Fixture f;
    const auto app = f.app("/Applications/Tool.app", "com.example.tool", "Tool");
    const auto first = f.leftover(kLib + "/Caches/com.example.tool");
    const auto stuck = f.leftover(kLib + "/Preferences/com.example.tool.plist");
    const auto last = f.leftover(kLib + "/Logs/Tool");
    f.fp.runningApps.apps = {{5, "/Applications/Tool.app"}, {6, "/Applications/Other.app"}};
    if (::geteuid() == 0)
        ::lchown(f.fp.fs().toHost(stuck->path()).constData(), 4242, 4242);
    f.fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        if (p == stuck->path())
            return Error{kCocoaErrorDomain, 512, QStringLiteral("strange")};
        return std::nullopt;
    };

    const auto r = tw::test::uninstalled(f.scanner, app, {first, stuck, last}, BundleRemoval::MoveToTrash);
    EXPECT_TRUE(r.status.ok());  // the stuck leftover stays silent
    EXPECT_EQ(f.fp.runningApps.terminated, std::vector<qint64>{5});
    EXPECT_EQ(f.fp.clock.sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(400)});
    EXPECT_EQ(r.moved, (QStringList{"/Applications/Tool.app", first->path(), last->path()}));
    EXPECT_EQ(r.failedPaths(), QStringList{stuck->path()});
    EXPECT_TRUE(f.inTrash("Tool.app/Contents/Info.plist"));
    EXPECT_TRUE(f.fp.tree().exists(stuck->path()));
    EXPECT_FALSE(f.fp.tree().exists(last->path()));
}

TEST(Uninstall, AChangeQueuedBehindOneThatMovedItsItemsSaysTheyAreGone)
{
    Fixture f;
    f.fp.tree().makeTrash();
    const auto app = f.app("/Applications/Tool.app", "com.example.tool", "Tool");
    const auto cache = f.leftover(kLib + "/Caches/com.example.tool");
    f.scanner.setApps({app});

    // Both asked before either runs, as a caller that queues does.
    tw::test::Awaited<RemovalReport> first, second;
    f.scanner.uninstall(app, {cache}, BundleRemoval::MoveToTrash, first.then());
    f.scanner.uninstall(app, {cache}, BundleRemoval::MoveToTrash, second.then());
    EXPECT_EQ(first.wait().moved, (QStringList{app->path(), cache->path()}));
    const RemovalReport again = second.wait();
    EXPECT_TRUE(again.status.ok()) << again.status.error().description.toStdString();
    EXPECT_TRUE(again.moved.isEmpty());
    EXPECT_TRUE(again.failures.isEmpty());
    EXPECT_EQ(again.gone, (QStringList{app->path(), cache->path()}));
    EXPECT_TRUE(f.scanner.apps().isEmpty());

    // A group's members, and leftovers alone, the same.
    const auto a = f.app("/Applications/Kit/A.app", "com.example.a", "A");
    const auto b = f.app("/Applications/Kit/B.app", "com.example.b", "B");
    const auto kit = AppInfo::make({"Kit", {}, "/Applications/Kit"});
    kit->setMembers({a, b});
    const auto log = f.leftover(kLib + "/Logs/Tool");
    tw::test::Awaited<RemovalReport> entry1, entry2, leftovers1, leftovers2;
    f.scanner.uninstallEntry(kit, entry1.then());
    f.scanner.uninstallEntry(kit, entry2.then());
    f.scanner.uninstall(app, {log}, BundleRemoval::Keep, leftovers1.then());
    f.scanner.uninstall(app, {log}, BundleRemoval::Keep, leftovers2.then());
    EXPECT_EQ(entry1.wait().moved, (QStringList{a->path(), b->path()}));
    const RemovalReport entryAgain = entry2.wait();
    EXPECT_TRUE(entryAgain.status.ok()) << entryAgain.status.error().description.toStdString();
    EXPECT_EQ(entryAgain.gone, (QStringList{a->path(), b->path()}));
    EXPECT_EQ(leftovers1.wait().moved, QStringList{log->path()});
    const RemovalReport leftoversAgain = leftovers2.wait();
    EXPECT_TRUE(leftoversAgain.failures.isEmpty()) << leftoversAgain.failures[0].reason.description.toStdString();
    EXPECT_TRUE(leftoversAgain.moved.isEmpty());
    EXPECT_EQ(leftoversAgain.gone, QStringList{log->path()});
}

TEST(Uninstall, ADanglingLinkLeftoverGoesToTheTrash)
{
    Fixture f;
    const auto app = f.app("/Applications/Tool.app", "com.example.tool", "Tool");
    f.fp.tree().symlink(kLib + "/Caches/com.example.tool", "/nowhere/at/all");
    const auto link = LeftoverFile::make({kLib + "/Caches/com.example.tool", 0, QStringLiteral("Caches")});
    link->setIsSelected(true);

    const auto r = tw::test::uninstalled(f.scanner, app, {link}, BundleRemoval::Keep);
    EXPECT_EQ(r.moved, QStringList{link->path()});
    EXPECT_TRUE(r.gone.isEmpty());
    EXPECT_TRUE(f.inTrash("com.example.tool"));
}

TEST(Uninstall, ACancelledBundleMoveStopsBeforeAnyLeftover)
{
    Fixture f;
    const auto app = f.app("/Users/tester/Applications/Tool.app", "com.example.tool", "Tool");
    const auto l = f.leftover(kLib + "/Caches/com.example.tool");
    f.fp.trash->fail = [](const QString&) {
        return std::optional<Error>(Error{kCocoaErrorDomain, 513, QStringLiteral("no permission")});
    };
    f.fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};

    const auto r = tw::test::uninstalled(f.scanner, app, {l}, BundleRemoval::MoveToTrash);
    ASSERT_FALSE(r.status.ok());
    EXPECT_EQ(r.status.error().code, 3);
    EXPECT_EQ(r.status.error().description,
              QStringLiteral("Uninstall cancelled — administrator permission is required to remove this item."));
    EXPECT_EQ(f.fp.trash->calls, QStringList{"/Users/tester/Applications/Tool.app"});
    EXPECT_EQ(r.failedPaths(), QStringList{"/Users/tester/Applications/Tool.app"});
    EXPECT_TRUE(r.moved.isEmpty());
    EXPECT_TRUE(f.fp.tree().exists(l->path()));
    EXPECT_TRUE(f.fp.tree().exists("/Users/tester/Applications/Tool.app"));
}

TEST(Uninstall, OnlyARealBundleWhereItLiesIsMoved)
{
    QTemporaryDir outside;
    ASSERT_TRUE(QDir().mkpath(outside.path() + "/Outside.app/Contents"));
    QFile info(outside.path() + "/Outside.app/Contents/Info.plist");
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<plist/>");
    info.close();

    Fixture f;
    auto& t = f.fp.tree();
    // The Utilities folder leads out of the root; another folder leads elsewhere in it.
    t.symlink("/Applications/Utilities", outside.path());
    t.makeApp("/Users/Shared/Stray.app", "com.example.stray", "Stray");
    t.symlink("/Applications/Shared", "../Users/Shared");
    t.mkdir("/Applications/Folder.app");              // a folder named like a bundle
    t.write("/Applications/Empty.app/Contents/readme", "no Info.plist");
    t.makeApp("/Applications/Real.app", "com.example.real", "Real");
    t.symlink("/Applications/Alias.app", "Real.app");  // a link, not a bundle
    const struct {
        QString path;
        bool moves;
    } cases[] = {
        {"/Applications/Utilities/Outside.app", false}, {"/Applications/Shared/Stray.app", false},
        {"/Applications/Folder.app", false},            {"/Applications/Empty.app", false},
        {"/Applications/Alias.app", false},             {"/Applications/Real.app", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const auto r = tw::test::uninstalled(f.scanner, AppInfo::make({"X", "com.example.x", c.path}), {}, BundleRemoval::MoveToTrash);
        EXPECT_EQ(r.status.ok(), c.moves);
        if (!c.moves) {
            EXPECT_EQ(r.status.error().code, 1);
            EXPECT_TRUE(r.moved.isEmpty());
        }
    }
    EXPECT_TRUE(QFile::exists(outside.path() + "/Outside.app/Contents/Info.plist"));
    EXPECT_TRUE(t.exists("/Users/Shared/Stray.app/Contents/Info.plist"));
    EXPECT_TRUE(t.exists("/Applications/Folder.app"));
    EXPECT_TRUE(t.exists("/Applications/Alias.app"));
    EXPECT_TRUE(f.inTrash("Real.app"));
}
