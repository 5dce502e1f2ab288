// The program's pools made when the system cannot make all their threads
// (the account's task limit reached): work still runs, the engine pool is
// waited for and the program ends. Run by the pools probe as the account
// nobody, since the limit does not hold for root.

#include "platform/ThreadPool.h"
#include "support/PooledThreads.h"

#include <QFile>
#include <QProcess>
#include <QThreadPool>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

namespace {

// The probe's output (PoolsProbe.cpp) with room for `more` threads; fails
// the test unless it ended with 0 in time.
QString runShort(int more)
{
    QTemporaryDir dir;
    const QString probe = dir.filePath("pools_probe");
    EXPECT_TRUE(QFile::copy(TIDEWELL_POOLS_PROBE, probe));
    EXPECT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.setChildProcessModifier([] {
        constexpr uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(126);
    });
    run.start(probe, {"threads", QString::number(more)});
    const bool ended = QTest::qWaitFor([&] { return run.state() == QProcess::NotRunning; }, 60'000);
    if (!ended) {
        run.kill();
        run.waitForFinished();
    }
    const QString out = QString::fromLocal8Bit(run.readAll());
    EXPECT_TRUE(ended) << out.toStdString();
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
    return out;
}

} // namespace

// Waited for at once after its warm-up, the engine pool counts no thread
// that is still starting as one it could not make: it ends them all.
TEST(ThreadShortage, AWaitRightAfterTheWarmUpEndsThePoolsThreads)
{
    QThreadPool::globalInstance()->waitForDone();
    tw::waitForEnginePool();
    EXPECT_TRUE(QTest::qWaitFor([] { return tw::test::pooledThreads() == 0; }, 5000)) << tw::test::pooledThreads();
}

TEST(ThreadShortage, PoolsShortOfThreadsRunEveryJobAndTheProgramEnds)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run the probe as another account";
    // No thread at all: the engine pool's work runs where it is started.
    // One: the pools run on what they have; Qt's global pool has none left.
    for (const int more : {0, 1}) {
        const QString out = runShort(more);
        EXPECT_TRUE(out.contains("QThread::start: Thread creation error")) << more << ": " << out.toStdString();
        EXPECT_TRUE(out.contains("ran: job, task, 64 of 64\nwaited\n")) << more << ": " << out.toStdString();
    }
}
