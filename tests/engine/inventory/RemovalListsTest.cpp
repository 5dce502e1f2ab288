// What an uninstall does to the scanner's list, and the report's shape.

#include "engine/inventory/AppScanner.h"
#include "support/FakePlatform.h"
#include "support/Awaited.h"
#include "support/ScanGates.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kLib = QStringLiteral("/Users/tester/Library");

struct Lists {
    FakePlatform fp;
    AppScanner scanner{fp.platform()};

    Lists() { fp.tree().makeTrash(); }

    AppInfoPtr app(const QString& name, std::int64_t size = 100)
    {
        const QString path = "/Applications/" + name + ".app";
        fp.tree().makeApp(path, "com.example." + name.toLower(), name);
        AppInfoPtr a = AppInfo::make({name, "com.example." + name.toLower(), path});
        a->setAppSize(size);
        return a;
    }
    AppInfoPtr group(const QString& name, std::vector<AppInfoPtr> members)
    {
        AppInfoPtr g = AppInfo::make({name, {}, "/Applications/" + name});
        std::int64_t size = 0;
        for (const AppInfoPtr& m : members)
            size += m->appSize();
        g->setAppSize(size);
        g->setMembers(std::move(members));
        return g;
    }
    LeftoverPtr leftover(const AppInfoPtr& owner, const QString& path, bool ticked = true)
    {
        fp.tree().write(path, "x");
        LeftoverPtr l = LeftoverFile::make({path, 1, QStringLiteral("Caches")});
        l->setIsSelected(ticked);
        l->setOwner(owner);
        QList<LeftoverPtr> all = owner->leftovers();
        owner->setLeftovers(all << l);
        return l;
    }
    // A failed move of an item owned by the superuser would be escalated;
    // these failures are the user's own.
    void ownedByUser(const QString& path) const
    {
        if (::geteuid() == 0) {
            ASSERT_EQ(::lchown(fp.fs().toHost(path).constData(), 4242, 4242), 0);
        }
    }
    QStringList names() const
    {
        QStringList out;
        for (const AppInfoPtr& a : scanner.apps())
            out << a->name();
        return out;
    }
};

QStringList memberNames(const AppInfoPtr& group)
{
    QStringList out;
    for (const AppInfoPtr& m : group->members())
        out << m->name();
    return out;
}

} // namespace

TEST(RemovalReport, FailedPathsRefusalsAndTheNamedList)
{
    RemovalReport r;
    EXPECT_TRUE(r.complete());
    r.failures << RemovalFailure{"/a", "A", removal::refused()} << RemovalFailure{"/b", "B", Error::posix(EACCES)};
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(r.failedPaths(), (QStringList{"/a", "/b"}));
    EXPECT_TRUE(removal::isRefusal(r.failures[0].reason));
    EXPECT_FALSE(removal::isRefusal(r.failures[1].reason));
    EXPECT_FALSE(removal::isRefusal(removal::notOwned()));

    EXPECT_EQ(removal::namedList({}), QString());
    EXPECT_EQ(removal::namedList({"A", "B", "C"}), "A\nB\nC");
    EXPECT_EQ(removal::namedList({"A", "B", "C", "D"}), "A\nB\nC\n…and 1 more.");
    EXPECT_EQ(removal::namedList({"A", "B", "C"}, 1), "A\n…and 2 more.");
}

TEST(UninstallLists, AMovedBundleLeavesTheListAndItsGroupOnce)
{
    Lists l;
    const AppInfoPtr notes = l.app("Notes"), writer = l.app("Writer", 300), sheets = l.app("Sheets", 200);
    const AppInfoPtr suite = l.group("Suite", {writer, sheets});
    l.scanner.setApps({notes, suite});
    QSignalSpy announced(&l.scanner, &AppScanner::appsChanged);

    const RemovalReport r = tw::test::uninstalled(l.scanner, writer, {}, BundleRemoval::MoveToTrash);
    ASSERT_TRUE(r.status.ok());
    EXPECT_EQ(r.moved, QStringList{writer->path()});
    EXPECT_EQ(announced.count(), 1);
    EXPECT_EQ(l.names(), (QStringList{"Notes", "Suite"}));
    EXPECT_EQ(memberNames(suite), QStringList{"Sheets"});
    EXPECT_EQ(suite->appSize(), 200);

    // The last member takes its group along.
    ASSERT_TRUE(tw::test::uninstalled(l.scanner, sheets, {}, BundleRemoval::MoveToTrash).status.ok());
    EXPECT_EQ(l.names(), QStringList{"Notes"});
    EXPECT_EQ(announced.count(), 2);

    // An application that is not listed changes nothing and announces nothing.
    ASSERT_TRUE(tw::test::uninstalled(l.scanner, l.app("Stray"), {}, BundleRemoval::MoveToTrash).status.ok());
    EXPECT_EQ(announced.count(), 2);
}

TEST(UninstallLists, AStoppedUninstallChangesNoListAndAKeptBundleLosesOnlyMovedFiles)
{
    Lists l;
    const AppInfoPtr notes = l.app("Notes");
    const LeftoverPtr cache = l.leftover(notes, kLib + "/Caches/com.example.notes");
    const LeftoverPtr foreign = l.leftover(notes, kLib + "/Caches/com.other.thing");
    const LeftoverPtr stuck = l.leftover(notes, kLib + "/Logs/Notes");
    const LeftoverPtr unticked = l.leftover(notes, kLib + "/Preferences/com.example.notes.plist", false);
    const LeftoverPtr guarded = l.leftover(notes, kLib + "/Keychains/notes");
    l.scanner.setApps({notes});
    QSignalSpy announced(&l.scanner, &AppScanner::appsChanged);

    // A refused bundle stops everything: no move, no list change.
    const AppInfoPtr system = AppInfo::make({"Chess", "com.apple.chess", "/System/Applications/Chess.app"});
    EXPECT_FALSE(tw::test::uninstalled(l.scanner, system, {}, BundleRemoval::MoveToTrash).status.ok());
    EXPECT_EQ(announced.count(), 0);

    // A failed bundle move stops too, with its reason in the report.
    const Error denied{kCocoaErrorDomain, 512, QStringLiteral("denied")};
    l.ownedByUser(notes->path());
    l.ownedByUser(stuck->path());
    l.fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        if (p == notes->path() || p == stuck->path())
            return denied;
        return std::nullopt;
    };
    const RemovalReport stopped = tw::test::uninstalled(l.scanner, notes, notes->selectedLeftovers(), BundleRemoval::MoveToTrash);
    EXPECT_EQ(stopped.status, Status(denied));
    EXPECT_EQ(stopped.failures, (QList<RemovalFailure>{{notes->path(), {}, denied}}));
    EXPECT_EQ(l.names(), QStringList{"Notes"});
    EXPECT_EQ(notes->leftovers().size(), 5);
    EXPECT_EQ(announced.count(), 0);

    // With the bundle kept, each failure says why; only what moved leaves.
    const RemovalReport kept = tw::test::uninstalled(l.scanner, notes, notes->selectedLeftovers(), BundleRemoval::Keep);
    ASSERT_TRUE(kept.status.ok());
    EXPECT_EQ(kept.moved, QStringList{cache->path()});
    ASSERT_EQ(kept.failures.size(), 3);
    EXPECT_EQ(kept.failures[0], (RemovalFailure{foreign->path(), {}, removal::notOwned()}));
    EXPECT_EQ(kept.failures[1], (RemovalFailure{stuck->path(), {}, denied}));
    EXPECT_EQ(kept.failures[2], (RemovalFailure{guarded->path(), {}, removal::refused()}));
    EXPECT_EQ(notes->leftovers(), (QList<LeftoverPtr>{foreign, stuck, unticked, guarded}));
    EXPECT_TRUE(stuck->isSelected());
    EXPECT_EQ(l.names(), QStringList{"Notes"});
    EXPECT_EQ(announced.count(), 1);
}

TEST(UninstallLists, WhatMovedLeavesTheListWhateverItsTickBecameWhileItMoved)
{
    Lists l;
    const AppInfoPtr notes = l.app("Notes");
    const LeftoverPtr cache = l.leftover(notes, kLib + "/Caches/com.example.notes");
    const LeftoverPtr logs = l.leftover(notes, kLib + "/Logs/Notes", false);
    l.scanner.setApps({notes});
    tw::test::Awaited<RemovalReport> report;
    {
        tw::test::TrashGate gate(l.fp);
        l.scanner.uninstall(notes, notes->selectedLeftovers(), BundleRemoval::Keep, report.then());
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        cache->setSelected(false, RootSync::Refresh);
        logs->setSelected(true, RootSync::Refresh);
    }
    ASSERT_EQ(report.wait().moved, QStringList{cache->path()});
    EXPECT_EQ(notes->leftovers(), QList<LeftoverPtr>{logs});
    EXPECT_TRUE(logs->isSelected());
    EXPECT_TRUE(l.fp.tree().exists(logs->path()));
}

TEST(UninstallLists, WhatAnEarlierChangeTookLeavesTheListToo)
{
    Lists l;
    const AppInfoPtr notes = l.app("Notes");
    const LeftoverPtr cache = l.leftover(notes, kLib + "/Caches/com.example.notes");
    const AppInfoPtr a = l.app("Alpha"), b = l.app("Beta");
    const AppInfoPtr suite = l.group("Suite", {a, b});
    l.scanner.setApps({notes, suite});
    ASSERT_TRUE(l.fp.fs().rename(cache->path(), kLib + "/moved-away"));
    ASSERT_TRUE(l.fp.fs().rename(a->path(), "/Users/tester/Alpha.app"));

    // With the bundle kept, the leftover that is gone leaves its list.
    EXPECT_EQ(tw::test::uninstalled(l.scanner, notes, {cache}, BundleRemoval::Keep).gone, QStringList{cache->path()});
    EXPECT_TRUE(notes->leftovers().isEmpty());
    // A group whose member went elsewhere leaves once the rest has moved.
    EXPECT_EQ(tw::test::uninstalledEntry(l.scanner, suite).gone, QStringList{a->path()});
    EXPECT_EQ(l.names(), QStringList{"Notes"});
}

TEST(UninstallLists, AWholeEntryStopsAtTheFirstFailedMemberAndWritesOnce)
{
    Lists l;
    const AppInfoPtr a = l.app("Alpha", 10), b = l.app("Beta", 20), c = l.app("Gamma", 30);
    const AppInfoPtr suite = l.group("Suite", {a, b, c});
    const AppInfoPtr solo = l.app("Solo");
    l.scanner.setApps({suite, solo});
    const Error denied{kCocoaErrorDomain, 512, QStringLiteral("denied")};
    l.ownedByUser(b->path());
    l.fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        return p == b->path() ? std::optional<Error>(denied) : std::nullopt;
    };
    QSignalSpy announced(&l.scanner, &AppScanner::appsChanged);

    const RemovalReport r = tw::test::uninstalledEntry(l.scanner, suite);
    EXPECT_EQ(r.status, Status(denied));
    EXPECT_EQ(r.moved, QStringList{a->path()});
    EXPECT_TRUE(l.fp.tree().exists(c->path()));  // never tried
    EXPECT_EQ(memberNames(suite), (QStringList{"Beta", "Gamma"}));
    EXPECT_EQ(suite->appSize(), 50);
    EXPECT_EQ(l.names(), (QStringList{"Suite", "Solo"}));
    EXPECT_EQ(announced.count(), 1);

    // Once the rest can go the whole entry leaves, in one change.
    l.fp.trash->fail = nullptr;
    ASSERT_TRUE(tw::test::uninstalledEntry(l.scanner, suite).status.ok());
    EXPECT_EQ(l.names(), QStringList{"Solo"});
    EXPECT_EQ(announced.count(), 2);
    ASSERT_TRUE(tw::test::uninstalledEntry(l.scanner, solo).status.ok());
    EXPECT_TRUE(l.scanner.apps().isEmpty());
    EXPECT_EQ(announced.count(), 3);
}
