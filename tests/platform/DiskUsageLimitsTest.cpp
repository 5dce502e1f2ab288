#include "platform/DiskUsage.h"
#include "support/MacTree.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace tw;
using tw::test::MacTree;

namespace {

// A chain of folders `levels` deep below top, each holding a 1-byte file f,
// the next folder of the chain and a side folder with a 2-byte file g. The
// chain goes on in x at even levels and in y at odd ones, so whatever order
// the listing gives, the walk comes back from the deep folder to a sibling
// at half the levels.
void writeChain(const MacTree& t, QString top, int levels, std::int64_t sideFile = 2)
{
    for (int k = 0; k < levels; ++k) {
        const bool even = k % 2 == 0;
        t.writeSized(top + "/f", 1);
        t.writeSized(top + (even ? "/y" : "/x") + "/g", sideFile);
        top += even ? "/x" : "/y";
    }
}

struct Measured {
    std::int64_t bytes = -1;
    std::int64_t visits = -1;
    friend bool operator==(const Measured&, const Measured&) = default;
};

Measured measure(const FileSystem& fs, const QString& top, const QString& watched)
{
    Measured m;
    m.visits = 0;
    DiskUsage::Watch watch;
    watch.below = watched;
    watch.maxEntries = 1'000'000;
    watch.visit = [&](const QString&, const DirEntry&, int) { ++m.visits; };
    const auto usage = DiskUsage::measure(fs, top, watched.isEmpty() ? nullptr : &watch);
    m.bytes = usage ? usage->apparentBytes : -1;
    return m;
}

// Measures top in a forked child that holds no more files open than it
// needs, under each limit of open files in turn (0: the limit as it is).
// The limit is the child's: the test process keeps its own.
std::vector<Measured> measureUnderLimits(const FileSystem& fs, const QString& top, const QString& watched,
                                         const std::vector<rlim_t>& limits)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        for (int fd = 3; fd < 4096; ++fd)
            if (fd != ends[1])
                ::close(fd);
        for (const rlim_t limit : limits) {
            struct rlimit r;
            ::getrlimit(RLIMIT_NOFILE, &r);
            if (limit)
                r.rlim_cur = limit;
            const Measured m = ::setrlimit(RLIMIT_NOFILE, &r) == 0 ? measure(fs, top, watched) : Measured{};
            if (::write(ends[1], &m, sizeof m) != ssize_t(sizeof m))
                ::_exit(2);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    std::vector<Measured> out;
    Measured m;
    while (::read(ends[0], &m, sizeof m) == ssize_t(sizeof m))
        out.push_back(m);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return out;
}

} // namespace

TEST(DiskUsageLimits, ADeepTreeMeasuresTheSameUnderALowLimitOfOpenFiles)
{
    // 300 levels, of which the first 256 are measured: 256 files f and 255
    // side folders' g. Under a limit of 64 open files a walk that held a
    // folder open at each level lost everything below the fiftieth or so.
    MacTree t;
    writeChain(t, "/deep", 300);
    const Measured expected{256 * 1 + 255 * 2, 0};
    // Limits: as it is; 64; 10, fewer than the folders one walk may hold.
    const std::vector<rlim_t> limits{0, 64, 10};
    EXPECT_EQ(measureUnderLimits(t.fs(), "/deep", {}, limits), std::vector<Measured>(3, expected));

    // The walk that watches a folder as it measures (discovery's) alike;
    // below x it reports every f, folder and g it walks: 255 chain folders
    // of three entries, 254 side folders of one.
    const Measured watched{expected.bytes, 255 * 3 + 254};
    EXPECT_EQ(measureUnderLimits(t.fs(), "/deep", "x", limits), std::vector<Measured>(3, watched));
}

TEST(DiskUsageLimits, AFolderClosedOnTheWayIsNeverOpenedAgainThroughALinkOrAsAnotherFolder)
{
    // Once the walk is deep, the folder under the top that it closed to
    // make room is swapped: for a link to a look-alike tree outside, or for
    // that tree itself. Coming back up, the walk opens it again by name and
    // finds something else: it counts nothing more there, and nothing of
    // the look-alike, whose side files weigh a million bytes each.
    for (const bool asLink : {true, false}) {
        MacTree t;
        writeChain(t, "/t", 40);
        writeChain(t, "/outside", 40, 1'000'000);
        const QString top = t.host("/t");
        bool swapped = false;
        DiskUsage::Watch watch;
        watch.below = "x";
        watch.maxEntries = 1'000'000;
        watch.visit = [&](const QString&, const DirEntry&, int depth) {
            if (swapped || depth < 30)
                return;
            swapped = true;
            ASSERT_TRUE(QDir().rename(top + "/x", t.host("/moved")));
            if (asLink)
                ASSERT_EQ(::symlink(QFile::encodeName(t.host("/outside/x")).constData(),
                                    QFile::encodeName(top + "/x").constData()), 0);
            else
                ASSERT_TRUE(QDir().rename(t.host("/outside/x"), top + "/x"));
        };
        const auto usage = DiskUsage::measure(t.fs(), "/t", &watch);
        ASSERT_TRUE(usage);
        EXPECT_TRUE(swapped);
        SCOPED_TRACE(asLink);
        // Below the swap, in the folders it still held, the walk went on.
        EXPECT_GE(usage->apparentBytes, 20);
        EXPECT_LT(usage->apparentBytes, 40 * 1 + 40 * 2);
    }
}
