#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QUuid>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace tw;

namespace {

constexpr int kDeadlineMs = 20'000;

QString uniqueName()
{
    return QStringLiteral("tidewell-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// A socket file nobody listens on, as a crashed copy leaves it.
void leaveStaleSocket(const QString& name)
{
    const QByteArray path = QFile::encodeName(QDir::temp().filePath(name));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));
}

// A later launch on a thread of its own, as another process would run it.
struct Launch {
    SingleInstanceGuard guard;
    std::atomic<int> result{-1};  // 1: became the running copy, 0: handed over
    std::thread thread;

    explicit Launch(const QString& name)
        : guard(name)
    {
        thread = std::thread([this] { result = guard.tryBecomePrimary() ? 1 : 0; });
    }
    ~Launch()
    {
        if (thread.joinable())
            thread.join();
    }
    bool finished() const { return result.load() >= 0; }
};

} // namespace

TEST(SingleInstance, ABusyCopyIsWaitedForAndAnswers)
{
    const QString name = uniqueName();
    // The running copy on a thread whose event loop the test holds up.
    QThread gui;
    gui.start();
    auto* first = new SingleInstanceGuard(name);
    first->moveToThread(&gui);
    bool primary = false;
    QMetaObject::invokeMethod(first, [&] { primary = first->tryBecomePrimary(); }, Qt::BlockingQueuedConnection);
    ASSERT_TRUE(primary);
    std::atomic<int> reopens{0};
    QObject::connect(first, &SingleInstanceGuard::reopenRequested, first, [&] { ++reopens; }, Qt::DirectConnection);
    QSemaphore busy, release;
    QMetaObject::invokeMethod(first, [&] {
        busy.release();
        release.acquire();
    });
    busy.acquire();

    {
        Launch second(name);
        // It reached the busy copy and waits for its word, without giving up or running itself.
        ASSERT_TRUE(QTest::qWaitFor([&] { return second.guard.isWaitingForAnswer() || second.finished(); }, kDeadlineMs));
        EXPECT_FALSE(second.finished());
        EXPECT_EQ(reopens.load(), 0);
        release.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished(); }, kDeadlineMs));
        EXPECT_EQ(second.result.load(), 0);
        EXPECT_FALSE(second.guard.isPrimary());
        EXPECT_EQ(reopens.load(), 1);
    }

    QMetaObject::invokeMethod(first, [first] { delete first; }, Qt::BlockingQueuedConnection);
    gui.quit();
    gui.wait();
}

TEST(SingleInstance, ACopyStillStartingIsWaitedForPastItsStaleSocket)
{
    const QString name = uniqueName();
    leaveStaleSocket(name);
    SingleInstanceGuard first(name);
    // It holds the lock but does not listen yet; the socket file is a crashed copy's.
    ASSERT_TRUE(first.claim());
    int reopens = 0;
    QObject::connect(&first, &SingleInstanceGuard::reopenRequested, [&] { ++reopens; });

    Launch second(name);
    // The later launch keeps trying: it neither removes the file nor runs itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.guard.attempts() >= 2 || second.finished(); }, kDeadlineMs));
    EXPECT_FALSE(second.finished());

    first.listen();
    EXPECT_TRUE(first.isPrimary());
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished() && reopens == 1; }, kDeadlineMs));
    EXPECT_EQ(second.result.load(), 0);
    EXPECT_FALSE(second.guard.isPrimary());
    EXPECT_EQ(reopens, 1);
}

TEST(SingleInstance, OnlyTheLockDecidesWhoRuns)
{
    const QString name = uniqueName();
    // A stale socket with no copy holding the lock: the launch runs and listens there.
    leaveStaleSocket(name);
    {
        SingleInstanceGuard first(name);
        ASSERT_TRUE(first.tryBecomePrimary());
        int reopens = 0;
        QObject::connect(&first, &SingleInstanceGuard::reopenRequested, [&] { ++reopens; });
        Launch second(name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished() && reopens == 1; }, kDeadlineMs));
        EXPECT_EQ(second.result.load(), 0);
    }

    // A copy that holds the lock and never listens is left alone: the launch
    // gives up after its patience without running a second program.
    SingleInstanceGuard stuck(name);
    ASSERT_TRUE(stuck.claim());
    SingleInstanceGuard later(name);
    later.setPatience(300);
    EXPECT_FALSE(later.tryBecomePrimary());
    EXPECT_FALSE(later.isPrimary());
    EXPECT_GE(later.attempts(), 1);
}
