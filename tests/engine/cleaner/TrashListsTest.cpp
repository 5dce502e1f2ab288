// What a Trash run does to the cleaner's published lists.

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "support/FakePlatform.h"
#include "support/Awaited.h"
#include "support/ScanGates.h"

#include <QObject>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kCaches = QStringLiteral("/Users/tester/Library/Caches");

struct Bench {
    FakePlatform fp;
    SystemCleaner cleaner{fp.platform()};

    Bench() { fp.tree().makeTrash(); }

    RemovableItem entry(const QString& title, bool ticked, QStringList files = {})
    {
        RemovableItem r;
        r.title = title;
        r.path = kCaches + "/" + title;
        r.isSelected = ticked;
        r.relatedPaths = files;
        for (const QString& f : files.isEmpty() ? QStringList{r.path} : files)
            fp.tree().write(f, "x");
        return r;
    }
    void failFor(const QString& path)
    {
        if (::geteuid() == 0) {
            ASSERT_EQ(::lchown(fp.fs().toHost(path).constData(), 4242, 4242), 0);
        }
        fp.trash->fail = [path](const QString& p) -> std::optional<Error> {
            return p == path ? std::optional<Error>(Error{kCocoaErrorDomain, 512, QStringLiteral("stuck")})
                             : std::nullopt;
        };
    }
};

QStringList titles(const QList<RemovableItem>& items)
{
    QStringList out;
    for (const RemovableItem& r : items)
        out << r.title;
    return out;
}

} // namespace

TEST(TrashLists, RemainsKeepWhatDidNotMoveAndTheCountFollows)
{
    Bench t;
    const RemovableItem a = t.entry("A", true), b = t.entry("B", false),
                        c = t.entry("C", true, {kCaches + "/C1", kCaches + "/C2"}), d = t.entry("D", true);
    t.cleaner.setRemainingFiles({a, b, c, d});
    t.failFor(kCaches + "/C2");
    QSignalSpy listChanged(&t.cleaner, &SystemCleaner::remainingFilesChanged);
    QSignalSpy countChanged(&t.cleaner, &SystemCleaner::orphanCountChanged);

    const RemovalReport r = tw::test::trashed(t.cleaner, t.cleaner.remainingFiles());
    EXPECT_EQ(r.moved, (QStringList{a.path, kCaches + "/C1", d.path}));
    ASSERT_EQ(r.failures.size(), 1);
    EXPECT_EQ(r.failures[0].path, kCaches + "/C2");
    EXPECT_EQ(r.failures[0].item, "C");
    EXPECT_EQ(r.failures[0].reason.description, "stuck");
    EXPECT_EQ(r.keptEntries, QStringList{"C"});
    EXPECT_EQ(titles(t.cleaner.remainingFiles()), (QStringList{"B", "C"}));
    EXPECT_TRUE(t.cleaner.remainingFiles()[1].isSelected);
    EXPECT_EQ(t.cleaner.orphanCountForMenuBar(), 2);
    EXPECT_EQ(listChanged.count(), 1);
    EXPECT_EQ(countChanged.count(), 1);

    // A tick changes the entry in place, not the count; an unknown entry nothing.
    t.cleaner.setRemainSelected(t.cleaner.remainingFiles()[0].id, true);
    EXPECT_TRUE(t.cleaner.remainingFiles()[0].isSelected);
    t.cleaner.setRemainSelected(QUuid::createUuid(), false);
    t.cleaner.setRemainSelected(t.cleaner.remainingFiles()[0].id, true);
    EXPECT_EQ(listChanged.count(), 2);
    EXPECT_EQ(countChanged.count(), 1);

    // Entries that are not listed (the cleanup offer's) move, and no list changes.
    const RemovableItem offer = t.entry("Offer", true);
    const RemovalReport o = tw::test::trashed(t.cleaner, {offer});
    EXPECT_EQ(o.moved, QStringList{offer.path});
    EXPECT_EQ(listChanged.count(), 2);
    EXPECT_EQ(t.cleaner.orphanCountForMenuBar(), 2);
}

TEST(TrashLists, ExtensionsKeepTheEntriesThatDidNotMoveAndNameTheFailures)
{
    Bench t;
    const RemovableItem keep = t.entry("Keep", false), moves = t.entry("Moves", true), stuck = t.entry("Stuck", true);
    RemovableItem guarded = t.entry("Guarded", true);
    guarded.relatedPaths = {QStringLiteral("/System/Library/Guarded.plugin")};
    t.cleaner.setExtensions({keep, moves, stuck, guarded});
    t.failFor(stuck.path);
    QSignalSpy changed(&t.cleaner, &SystemCleaner::extensionsChanged);

    auto context = std::make_unique<QObject>();
    std::optional<RemovalReport> told;
    t.cleaner.trashExtensions({moves, stuck, guarded}, {context.get(), [&](const RemovalReport& r) { told = r; }});
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.has_value(); }, 10000));
    EXPECT_EQ(titles(t.cleaner.extensions()), (QStringList{"Keep", "Stuck", "Guarded"}));
    EXPECT_EQ(told->keptEntries, (QStringList{"Stuck", "Guarded"}));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(told->moved, QStringList{moves.path});
    ASSERT_EQ(told->failures.size(), 2);
    EXPECT_EQ(told->failures[0].item, "Stuck");
    EXPECT_EQ(told->failures[0].reason.description, "stuck");
    EXPECT_TRUE(removal::isRefusal(told->failures[1].reason));
    EXPECT_EQ(told->attemptedEntries, (QStringList{moves.path, stuck.path, guarded.path}));

    // The asker gone: the list still loses the entries, nobody is called.
    const RemovableItem late = t.entry("Late", true);
    t.cleaner.setExtensions({keep, late});
    bool called = false;
    t.cleaner.trashExtensions({late}, {context.get(), [&](const RemovalReport&) { called = true; }});
    context.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.cleaner.extensions().size() == 1; }, 10000));
    EXPECT_EQ(titles(t.cleaner.extensions()), QStringList{"Keep"});
    EXPECT_FALSE(called);
}

TEST(TrashLists, EntriesAreMatchedByPathSoARescanDuringTheMovesLeavesNoStaleRow)
{
    Bench t;
    for (const char* id : {"com.alpha.one", "com.beta.two", "com.gamma.three"})
        t.fp.tree().write(QStringLiteral("/Users/tester/Library/Preferences/%1.plist").arg(id), "");
    const auto rescan = [&] {
        t.cleaner.scanRemainingFiles({}, {}, Rescan::Force);
        return QTest::qWaitFor([&] { return !t.cleaner.isScanningRemaining(); }, 60000);
    };
    ASSERT_TRUE(rescan());
    ASSERT_EQ(titles(t.cleaner.remainingFiles()), (QStringList{"Alpha", "Beta", "Gamma"}));
    RemovableItem alpha = t.cleaner.remainingFiles()[0];
    alpha.isSelected = true;
    tw::test::Awaited<RemovalReport> report;
    {
        tw::test::TrashGate gate(t.fp);
        t.cleaner.trashSelected({alpha}, report.then());
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        ASSERT_TRUE(rescan());
        ASSERT_NE(t.cleaner.remainingFiles()[0].id, alpha.id);
    }
    EXPECT_EQ(report.wait().moved, QStringList{alpha.path});
    EXPECT_EQ(titles(t.cleaner.remainingFiles()), (QStringList{"Beta", "Gamma"}));

    // A cleanup offer's entries are made anew from its leftovers: a remains
    // row of a path that moved with them goes too.
    RemovableItem offered;
    offered.path = t.cleaner.remainingFiles()[0].path;
    offered.isSelected = true;
    tw::test::trashed(t.cleaner, {offered});
    EXPECT_EQ(titles(t.cleaner.remainingFiles()), QStringList{"Gamma"});
    EXPECT_EQ(t.cleaner.orphanCountForMenuBar(), 1);
}

TEST(TrashLists, AnEntryQueuedAgainAfterItsFilesMovedIsGoneNotRefused)
{
    Bench t;
    const RemovableItem a = t.entry("A", true), b = t.entry("B", true, {kCaches + "/B1", kCaches + "/B2"});
    t.cleaner.setRemainingFiles({a, b});
    tw::test::Awaited<RemovalReport> first, second, extension1, extension2;
    t.cleaner.trashSelected({a, b}, first.then());
    t.cleaner.trashSelected({a, b}, second.then());
    EXPECT_EQ(first.wait().moved, (QStringList{a.path, kCaches + "/B1", kCaches + "/B2"}));
    const RemovalReport again = second.wait();
    EXPECT_TRUE(again.failures.isEmpty()) << again.failures[0].reason.description.toStdString();
    EXPECT_TRUE(again.keptEntries.isEmpty());
    EXPECT_TRUE(again.moved.isEmpty());
    EXPECT_EQ(again.gone, (QStringList{a.path, kCaches + "/B1", kCaches + "/B2"}));
    EXPECT_TRUE(t.cleaner.remainingFiles().isEmpty());

    const RemovableItem e = t.entry("Extension", true);
    t.cleaner.setExtensions({e});
    t.cleaner.trashExtensions({e}, extension1.then());
    t.cleaner.trashExtensions({e}, extension2.then());
    EXPECT_EQ(extension1.wait().moved, QStringList{e.path});
    const RemovalReport extensionAgain = extension2.wait();
    EXPECT_TRUE(extensionAgain.failures.isEmpty());
    EXPECT_EQ(extensionAgain.gone, QStringList{e.path});
}

TEST(TrashLists, AFileTheOtherLaneTookWhileThisOneWasAboutToMoveItIsGoneNotMoved)
{
    for (const bool uninstallHeld : {true, false}) {
        SCOPED_TRACE(uninstallHeld ? "the uninstall held" : "the remains held");
        Bench t;
        AppScanner scanner(t.fp.platform());
        const RemovableItem remain = t.entry("com.example.tool", true);
        t.fp.tree().makeApp("/Applications/Tool.app", "com.example.tool", "Tool");
        const AppInfoPtr app = AppInfo::make({"Tool", "com.example.tool", "/Applications/Tool.app"});
        const LeftoverPtr cache = LeftoverFile::make({remain.path, 1, QStringLiteral("Caches")});
        cache->setIsSelected(true);
        // The first move waits, past every check before it, until released.
        QSemaphore arrived, open;
        std::atomic<bool> taken{false};
        t.fp.trash->hold = [&] {
            if (!taken.exchange(true)) {
                arrived.release();
                open.acquire();
            }
        };
        const auto release = qScopeGuard([&] { open.release(); });

        tw::test::Awaited<RemovalReport> uninstall, remains;
        auto startUninstall = [&] { scanner.uninstall(app, {cache}, BundleRemoval::Keep, uninstall.then()); };
        auto startRemains = [&] { t.cleaner.trashSelected({remain}, remains.then()); };
        uninstallHeld ? startUninstall() : startRemains();
        ASSERT_TRUE(arrived.tryAcquire(1, 60000));
        uninstallHeld ? startRemains() : startUninstall();
        EXPECT_EQ((uninstallHeld ? remains : uninstall).wait().moved, QStringList{remain.path});
        open.release();
        const RemovalReport late = (uninstallHeld ? uninstall : remains).wait();
        EXPECT_TRUE(late.moved.isEmpty()) << late.moved.join(", ").toStdString();
        EXPECT_TRUE(late.failures.isEmpty());
        EXPECT_EQ(late.gone, QStringList{remain.path});
    }
}
