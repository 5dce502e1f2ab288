// Walks, listings and reads side by side in a process that runs out of
// file descriptors: each waits for one and measures what is there, or says
// that its figure is short. Each case runs in a forked child, whose limit
// of open files the test process does not share.

#include "platform/DescriptorGate.h"
#include "platform/DiskUsage.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <list>
#include <thread>
#include <vector>

using namespace tw;
using tw::test::MacTree;

namespace {

using Figures = std::vector<std::int64_t>;

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

// Takes every descriptor the limit leaves but `free`, into held.
void exhaust(std::vector<int>& held, int free, int probe)
{
    for (int fd; (fd = ::dup(probe)) >= 0;)
        held.push_back(fd);
    for (int k = 0; k < free && !held.empty(); ++k) {
        ::close(held.back());
        held.pop_back();
    }
}

// Gives n of held back.
void giveBack(std::vector<int>& held, int n)
{
    for (int k = 0; k < n && !held.empty(); ++k) {
        ::close(held.back());
        held.pop_back();
    }
}

// Runs body in a forked child under a limit of `limit` open files; body
// takes them with exhaust (into held). Its figures come back through a pipe;
// none when the child failed or took too long.
Figures inChild(rlim_t limit, const std::function<Figures(const std::function<void(int free)>& exhaustTo,
                                                          std::vector<int>& held)>& body)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(120);  // a walk that never comes back fails the test
        for (int fd = 3; fd < 4096; ++fd)
            if (fd != ends[1])
                ::close(fd);
        struct rlimit r;
        ::getrlimit(RLIMIT_NOFILE, &r);
        r.rlim_cur = limit;
        if (::setrlimit(RLIMIT_NOFILE, &r) != 0)
            ::_exit(2);
        std::vector<int> held;
        const Figures out = body([&](int free) { exhaust(held, free, ends[1]); }, held);
        giveBack(held, int(held.size()));
        for (const std::int64_t v : out)
            if (::write(ends[1], &v, sizeof v) != ssize_t(sizeof v))
                ::_exit(3);
        ::_exit(0);
    }
    ::close(ends[1]);
    Figures out;
    std::int64_t v;
    while (::read(ends[0], &v, sizeof v) == ssize_t(sizeof v))
        out.push_back(v);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "child ended with status " << status;
        return {};
    }
    return out;
}

// A thread that runs work once told to go, started before the descriptors
// run out.
class Held {
public:
    explicit Held(std::function<void()> work)
        : m_thread([this, work = std::move(work)] {
              m_go.wait(false);
              work();
          })
    {
    }
    void go()
    {
        m_go = true;
        m_go.notify_one();
    }
    void join() { m_thread.join(); }

private:
    std::atomic<bool> m_go{false};
    std::thread m_thread;
};

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
    return descriptors::awaitWait(std::chrono::seconds(20));
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
