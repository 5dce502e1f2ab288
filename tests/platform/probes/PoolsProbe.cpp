// The program's pools as it keeps them from its start: once they are idle,
// with no file descriptor free, work as wide as each pool runs on all of
// its threads, and a large fill is painted. Says how long an idle thread
// is kept, and how many jobs ran; aborts when a thread has to be made.
// With "threads K" (for an account other than root), the pools are made
// when the process may make K more threads: says whether work still runs
// and the engine pool is waited for.

#include "platform/ThreadPool.h"

#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <latch>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

// Runs as many jobs as the pool has threads, each held until all run: each has a thread.
int runWide(QThreadPool& pool, bool engine)
{
    const int width = pool.maxThreadCount();
    std::latch together(width), done(width);
    std::atomic<int> ran{0};
    for (int k = 0; k < width; ++k) {
        auto job = [&] {
            together.arrive_and_wait();
            ++ran;
            done.count_down();
        };
        if (engine)
            tw::startOnPool(job);
        else
            pool.start(job);
    }
    done.wait();
    return ran.load();
}

// The pools made with room for `more` threads only; then a job, a waited
// task and a parallel loop.
int shortOfThreads(int more)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NPROC, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = rlim_t(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() + more);
    if (::setrlimit(RLIMIT_NPROC, &limit) != 0)
        return 3;
    tw::keepPoolThreads();
    std::binary_semaphore ran(0);
    tw::startOnPool([&] { ran.release(); });
    ran.acquire();
    bool waited = false;
    tw::PoolTask([&] { waited = true; }).wait();
    std::atomic<int> looped{0};
    tw::parallelFor(64, [&](size_t) { ++looped; });
    std::printf("ran: job, %s, %d of 64\n", waited ? "task" : "no task", looped.load());
    std::fflush(stdout);
    tw::waitForEnginePool();
    std::printf("waited\n");
    std::fflush(stdout);
    limit.rlim_cur = unlimited;
    ::setrlimit(RLIMIT_NPROC, &limit);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "threads")
        return shortOfThreads(std::atoi(argv[2]));
    tw::keepPoolThreads();
    QThreadPool& engine = tw::enginePool();
    QThreadPool& global = *QThreadPool::globalInstance();
    while (engine.activeThreadCount() > 0 || global.activeThreadCount() > 0)
        std::this_thread::yield();
    std::printf("kept: %d %d\n", engine.expiryTimeout(), global.expiryTimeout());

    const rlimit low{256, 256};
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0)
        return 3;
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        held.push_back(fd);
    const int scan = runWide(engine, true), wide = runWide(global, false);
    QImage picture(2400, 2400, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&picture);
        QLinearGradient fill(0, 0, 2400, 2400);
        fill.setColorAt(0, Qt::cyan);
        fill.setColorAt(1, Qt::magenta);
        painter.fillRect(picture.rect(), fill);
    }
    for (const int fd : held)
        ::close(fd);
    std::printf("ran: %d of %d, %d of %d; painted: %s\n", scan, engine.maxThreadCount(), wide, global.maxThreadCount(),
                picture.pixelColor(2399, 2399) == QColor(Qt::magenta) ? "yes" : "no");
    return 0;
}
