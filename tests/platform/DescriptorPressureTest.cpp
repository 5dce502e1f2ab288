// Walks, listings and reads side by side in a process that runs out of
// file descriptors: each waits for one and measures what is there, or says
// that its figure is short; quitting ends the waits, and pool threads made
// beforehand still run. Each case runs in a forked child, whose limit of
// open files the test process does not share.

#include "platform/DescriptorGate.h"
#include "platform/DiskUsage.h"
#include "platform/HostServices.h"
#include "platform/ThreadPool.h"
#include "support/MacTree.h"
#include "support/Starved.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <fcntl.h>

#include <latch>
#include <list>

using namespace tw;
using namespace tw::test;

namespace {

// A chain of folders `levels` deep below top, each holding a 1-byte file f,
// the next folder and a side folder with a file g of sideFile bytes: a walk
// of it holds many folders open at once.
void writeChain(const MacTree& t, QString top, int levels, std::int64_t sideFile)
{
    for (int k = 0; k < levels; ++k) {
        t.writeSized(top + "/f", 1);
        t.writeSized(top + "/side/g", sideFile);
        top += "/x";
    }
}

std::int64_t bytesOf(const std::optional<DiskUsage>& usage)
{
    return usage && usage->complete ? usage->apparentBytes : -1;
}

std::int64_t entriesBelow(const FileSystem& fs, const QString& p)
{
    std::int64_t n = 0;
    fs.walk(p, Hidden::Include, [&](const QString&, const DirEntry&, int) {
        ++n;
        return FileSystem::Visit::Continue;
    });
    return n;
}

// Waits until a walk waits for a descriptor; false after twenty seconds.
bool someoneWaits()
{
    return descriptors::awaitWaits(1, std::chrono::seconds(20));
}

} // namespace

TEST(DescriptorPressure, WalksSideBySideUnderALowLimitEachMeasureWhatIsThere)
{
    // Twelve walks at once, each of which would hold up to sixteen folders,
    // and two listings walks, with eight descriptors free: each figure as
    // the walk measures it alone, with every descriptor there is.
    constexpr int kWalks = 12, kRounds = 4;
    MacTree t;
    for (int i = 0; i < kWalks; ++i)
        writeChain(t, "/w" + QString::number(i), 30, i + 2);
    Figures expected;
    for (int i = 0; i < kWalks; ++i)
        expected.push_back(30 * 1 + 30 * (i + 2));
    expected.push_back(entriesBelow(t.fs(), "/w0"));
    expected.push_back(entriesBelow(t.fs(), "/w1"));
    ASSERT_EQ(expected[0], bytesOf(DiskUsage::measure(t.fs(), "/w0")));

    const Figures seen = inChild(64, [&](const auto& exhaustTo, std::vector<int>&) {
        Figures out(expected.size() * kRounds, -2);
        auto slot = [&](int round, int i) -> std::int64_t& { return out[size_t(round) * expected.size() + size_t(i)]; };
        std::list<Held> threads;
        for (int i = 0; i < kWalks; ++i)
            threads.emplace_back([&, i] {
                for (int round = 0; round < kRounds; ++round)
                    slot(round, i) = bytesOf(DiskUsage::measure(t.fs(), "/w" + QString::number(i)));
            });
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([&, i] {
                for (int round = 0; round < kRounds; ++round)
                    slot(round, kWalks + i) = entriesBelow(t.fs(), "/w" + QString::number(i));
            });
        exhaustTo(8);
        for (Held& thread : threads)
            thread.go();
        for (Held& thread : threads)
            thread.join();
        return out;
    });
    Figures wanted;
    for (int round = 0; round < kRounds; ++round)
        wanted.insert(wanted.end(), expected.begin(), expected.end());
    EXPECT_EQ(seen, wanted);
}

TEST(DescriptorPressure, AWalkOutOfDescriptorsWaitsForOneFromItsTopOnAndGoesOn)
{
    // Not one descriptor free as the walk starts: it waits, from its very
    // first open, and measures everything once some come back. A listing
    // and a read wait the same.
    MacTree t;
    writeChain(t, "/deep", 40, 3);
    t.write("/file", "12345");
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>& held) {
        std::int64_t measured = -2, listed = -2, read = -2;
        Held walk([&] { measured = bytesOf(DiskUsage::measure(t.fs(), "/deep")); });
        Held list([&] {
            const auto entries = t.fs().list("/deep");
            listed = entries ? std::int64_t(entries->size()) : -1;
        });
        Held reader([&] {
            const auto bytes = t.fs().readFile("/file");
            read = bytes ? bytes->size() : -1;
        });
        Figures out;
        for (auto [thread, free] : {std::pair{&walk, 3}, {&list, 1}, {&reader, 1}}) {
            exhaustTo(0);
            thread->go();
            out.push_back(someoneWaits());
            giveBack(held, free);
            thread->join();
        }
        out.insert(out.end(), {measured, listed, read});
        return out;
    });
    EXPECT_EQ(seen, (Figures{true, true, true, 40 * 1 + 40 * 3, 3, 5}));
}

TEST(DescriptorPressure, AFigureIsIncompleteWhenNoDescriptorComesBack)
{
    // Nothing frees a descriptor: after the patience, a folder's figure says
    // it is short (with none free, or one, too few to go down); a file's
    // needs none and is whole. Freed again, the folder measures whole.
    MacTree t;
    writeChain(t, "/deep", 5, 3);
    t.write("/file", "12345");
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>& held) {
        descriptors::setPatience(std::chrono::milliseconds(100));
        std::optional<DiskUsage> none, file, one;
        bool listed = false;
        Held measures([&] {
            none = DiskUsage::measure(t.fs(), "/deep");
            file = DiskUsage::measure(t.fs(), "/file");
        });
        Held withOne([&] {
            one = DiskUsage::measure(t.fs(), "/deep");
            listed = t.fs().list("/deep").has_value();  // one is enough for a listing
        });
        exhaustTo(0);
        measures.go();
        measures.join();
        giveBack(held, 1);
        withOne.go();
        withOne.join();
        giveBack(held, int(held.size()));
        const auto whole = DiskUsage::measure(t.fs(), "/deep");
        return Figures{none ? none->complete : -1, bytesOf(file), one ? one->complete : -1, listed, bytesOf(whole)};
    });
    EXPECT_EQ(seen, (Figures{false, 5, false, true, 5 * 1 + 5 * 3}));
}

TEST(DescriptorPressure, QuittingEndsEveryWaitAtOnce)
{
    // Two walks, a listing and a read wait with no descriptor free, on a
    // clock that never runs their patience out. Ending the waits (as
    // quitting does) ends all four, with no descriptor given back: the
    // walks' figures are short, the listing and the read fail.
    MacTree t;
    writeChain(t, "/a", 3, 1);
    writeChain(t, "/b", 3, 1);
    t.write("/file", "12345");
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>& held) {
        const GateClock frozen;
        std::int64_t a = -2, b = -2, listed = -2, read = -2;
        std::list<Held> threads;
        threads.emplace_back([&] { a = DiskUsage::measure(t.fs(), "/a")->complete; });
        threads.emplace_back([&] { b = DiskUsage::measure(t.fs(), "/b")->complete; });
        threads.emplace_back([&] { listed = t.fs().list("/a").has_value(); });
        threads.emplace_back([&] { read = t.fs().readFile("/file").has_value(); });
        exhaustTo(0);
        for (Held& thread : threads)
            thread.go();
        const bool waiting = descriptors::awaitWaits(4, std::chrono::seconds(20));
        descriptors::endWaits();
        const bool ended = descriptors::awaitWaits(0, std::chrono::seconds(20));
        giveBack(held, int(held.size()));  // ends them otherwise
        for (Held& thread : threads)
            thread.join();
        return Figures{waiting, ended, a, b, listed, read};
    });
    EXPECT_EQ(seen, (Figures{true, true, false, false, false, false}));
}

TEST(DescriptorPressure, AMoveIntoTheTrashOutOfDescriptorsFailsAsSuchAndMovesNothing)
{
    // The move waits for a descriptor like a walk; when its patience runs
    // out it fails as out of descriptors, naming the item, and nothing moved.
    using namespace std::chrono_literals;
    MacTree t;
    const QString trash = t.makeTrash();
    t.write("/Applications/Tool.app/Contents/Info.plist", "plist");
    const auto mover = host::makeTrashMover(t.fs());
    const QString outOfDescriptors = QStringLiteral("“Tool.app” couldn’t be moved to the Trash: out of file descriptors.");
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>&) {
        const GateClock clock;
        std::optional<Status> moved;
        Held move([&] { moved = mover->trashItem("/Applications/Tool.app"); });
        exhaustTo(0);
        move.go();
        const bool waited = someoneWaits();
        clock.advance(descriptors::patience());
        move.join();
        const bool failed = moved && !moved->ok();
        return Figures{waited, failed, failed && moved->error().domain == kPosixErrorDomain,
                       failed && descriptors::exhausted(moved->error().code),
                       failed && moved->error().description == outOfDescriptors};
    });
    EXPECT_EQ(seen, (Figures{true, true, true, true, true}));
    EXPECT_EQ(t.read("/Applications/Tool.app/Contents/Info.plist"), "plist");
    EXPECT_TRUE(t.fs().list(trash)->empty());
}

TEST(DescriptorPressure, AfterAWaitAWalkGoesBackDownOnlyIntoTheFoldersItLeft)
{
    // Out of descriptors two folders down (the top and a held, b wanted),
    // the walk waits holding none; meanwhile a is swapped for another folder
    // of the same name. Going back down by name, the walk finds another
    // device and inode there and counts neither the rest of the a it left
    // nor the one in its place.
    MacTree t;
    t.writeSized("/top/f", 1);
    t.writeSized("/top/a/b/h", 100);
    t.writeSized("/spare/a/b/h", 5000);
    const QByteArray a = QFile::encodeName(t.host("/top/a")), spare = QFile::encodeName(t.host("/spare/a")),
                     left = QFile::encodeName(t.host("/left"));
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>& held) {
        const GateClock frozen;
        std::optional<DiskUsage> usage;
        Held walk([&] { usage = DiskUsage::measure(t.fs(), "/top"); });
        exhaustTo(2);
        walk.go();
        const bool waited = someoneWaits();
        const bool swapped =
            ::rename(a.constData(), left.constData()) == 0 && ::rename(spare.constData(), a.constData()) == 0;
        giveBack(held, int(held.size()));
        walk.join();
        return Figures{waited, swapped, usage ? usage->apparentBytes : -1, usage ? usage->complete : -1};
    });
    EXPECT_EQ(seen, (Figures{true, true, 1, true}));
}

TEST(DescriptorPressure, APoolThatKeepsItsThreadsRunsWorkWithNoDescriptorFree)
{
    // A Qt thread that cannot make its wake-up descriptor as it starts
    // aborts the program. A pool whose idle threads would end at once keeps
    // them, made beforehand, and runs work on every one of them with no
    // descriptor free.
    const Figures seen = inChild(64, [](const auto& exhaustTo, std::vector<int>&) {
        QThreadPool pool;
        pool.setMaxThreadCount(3);
        pool.setExpiryTimeout(0);
        keepThreads(pool);
        while (pool.activeThreadCount() > 0)
            std::this_thread::yield();  // all idle: ended by now, unless kept
        exhaustTo(0);
        std::latch together(3);
        std::atomic<int> ran{0};
        sanitizer::handOver(&together);
        for (int k = 0; k < 3; ++k)
            pool.start([&] {
                sanitizer::takeOver(&together);
                together.arrive_and_wait();
                ++ran;
            });
        pool.waitForDone();
        return Figures{ran.load()};
    });
    EXPECT_EQ(seen, Figures{3});
}

TEST(DescriptorPressure, TheProgramsPoolsKeepTheThreadsTheyMadeAtStart)
{
    // However long they were idle (Qt's own pools let a thread go after
    // 30 s): a scan as wide as the engine pool, work as wide as Qt's global
    // pool and a large fill painted, all with no descriptor free.
    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(TIDEWELL_POOLS_PROBE, {});
    ASSERT_TRUE(probe.waitForFinished(60'000));
    const QString out = QString::fromLocal8Bit(probe.readAll());
    ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << out.toStdString();
    const int n = QThread::idealThreadCount(), g = QThreadPool::globalInstance()->maxThreadCount();
    EXPECT_TRUE(out.contains(QStringLiteral("kept: -1 -1\nran: %1 of %1, %2 of %2; painted: yes\n").arg(n).arg(g)))
        << out.toStdString();
}

TEST(DescriptorGate, AWaitGivesUpOnceThePatienceHasPassedSinceTheLastDescriptorCameBack)
{
    // Ten seconds, counted from the last descriptor of ours given back.
    using namespace std::chrono_literals;
    GateClock clock;
    descriptors::Wait wait;
    clock.advance(10s - 1ns);
    EXPECT_TRUE(wait.next());
    descriptors::close(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_TRUE(wait.next());
    clock.advance(10s - 1ns);
    EXPECT_TRUE(wait.next());
    clock.advance(1ns);
    EXPECT_FALSE(wait.next());
}
