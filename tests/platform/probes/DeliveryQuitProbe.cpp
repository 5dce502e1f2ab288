// Posts to the GUI thread from several threads while the application quits,
// ends and is gone, then says where the posted work ran and ended: never off
// the thread that ran the application.

#include "platform/Delivery.h"
#include "support/DeliveryProbe.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

using tw::test::DestructionLog;
using tw::test::Tracked;

namespace {

void waitFor(const std::atomic<int>& count, int atLeast)
{
    while (count.load() < atLeast)
        std::this_thread::yield();
}

} // namespace

int main(int argc, char** argv)
{
    constexpr int kThreads = 4;
    DestructionLog log;
    std::atomic<bool> stop{false};
    std::atomic<int> posts{0};
    std::unique_ptr<QObject> context;
    std::optional<tw::Delivery> delivery;
    std::vector<std::thread> posters;
    int queuedAtEnd = 0;
    {
        QCoreApplication app(argc, argv);
        context = std::make_unique<QObject>();
        delivery.emplace(context.get());
        for (int t = 0; t < kThreads; ++t)
            posters.emplace_back([&] {
                while (!stop.load()) {
                    delivery->post([tracked = Tracked(log)] { tracked.ran(); });
                    ++posts;
                }
            });
        // Quits once work flows, while it flows.
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &app, [&] {
            if (log.ran() >= 2000)
                QCoreApplication::quit();
        });
        check.start(1);
        app.exec();
        // The loop is over; posts go on, some to a receiver that is gone.
        waitFor(posts, posts.load() + 2000);
        context.reset();
        waitFor(posts, posts.load() + 2000);
        queuedAtEnd = log.made() - log.destroyed();
    }
    // The application object is gone: what is posted now is never run nor destroyed.
    const int destroyedAtEnd = log.destroyed();
    waitFor(posts, posts.load() + 2000);
    stop = true;
    for (std::thread& t : posters)
        t.join();

    std::printf("made %d, ran %d, destroyed %d\n", log.made(), log.ran(), log.destroyed());
    std::printf("queued when the application ended %d, destroyed since %d\n", queuedAtEnd,
                log.destroyed() - destroyedAtEnd);
    std::printf("ran elsewhere %d\ndestroyed elsewhere %d\n", log.ranElsewhere(), log.destroyedElsewhere());
    const bool kept = log.ranElsewhere() == 0 && log.destroyedElsewhere() == 0 && log.destroyed() == destroyedAtEnd
                   && queuedAtEnd > 0;
    return kept ? 0 : 1;
}
