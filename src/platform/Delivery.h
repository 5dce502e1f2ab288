#pragma once

// The one way results reach the GUI thread: through a Delivery taken on the
// GUI thread for a context object. Whatever is posted runs on the GUI thread,
// and only while the context lives; its destruction cancels delivery.
//
// What is posted is run and destroyed on the GUI thread only, whichever
// thread posted it, whether it runs or not (context gone, application
// quitting): it waits in one queue that the GUI thread drains (see
// Delivery.cpp). Work still queued when the application object is destroyed
// is destroyed then, unrun; work posted after that is never run nor
// destroyed, since no thread is known to be the GUI thread any more.
// Background work that its owner must also wait for is an AwaitedRun
// (AwaitedRun.h), which delivers the same way.

#include "platform/ThreadPool.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace tw {

// Work for the GUI thread, run there at most once and destroyed there.
class GuiWork {
public:
    virtual ~GuiWork() = default;
    virtual void run() = 0;
};

namespace delivery {

// Queues work for the GUI thread, to run there while context lives. Any thread.
void send(QPointer<QObject> context, std::unique_ptr<GuiWork> work);

// Work made of a callable, which is built in place and never moved again.
template <typename F>
class Callable final : public GuiWork {
public:
    template <typename G>
    explicit Callable(G&& g) : m_f(std::forward<G>(g)) {}
    void run() override { m_f(); }

private:
    F m_f;
};

} // namespace delivery

class Delivery {
public:
    // On the GUI thread, while context lives.
    explicit Delivery(QObject* context);

    // From any thread: f runs later on the GUI thread unless the context is
    // gone by then. f is destroyed on the GUI thread; a temporary passed
    // here is moved from, and only its moved-from husk stays with the caller.
    template <typename F>
    void post(F&& f) const
    {
        send(std::make_unique<delivery::Callable<std::decay_t<F>>>(std::forward<F>(f)));
    }

    void send(std::unique_ptr<GuiWork> work) const { delivery::send(m_context, std::move(work)); }

private:
    QPointer<QObject> m_context;
};

// Runs work() on the engine pool and hands its result to then() on the GUI
// thread while context lives. Call on the GUI thread. then and the result
// are built where they will be destroyed: then here, in the work that goes
// back, and the result straight into it, so neither is ever destroyed on a
// pool thread. Should the pool drop the job unrun, that work still goes
// back to be destroyed.
template <typename Work, typename Then>
void runInBackground(QObject* context, Work work, Then then, int priority = 0)
{
    using Result = std::invoke_result_t<Work&>;
    class Reply final : public GuiWork {
    public:
        explicit Reply(Then t) : then(std::move(t)) {}
        void run() override
        {
            if (result)
                then(std::move(*result));
        }
        Then then;
        std::optional<Result> result;
    };
    // Goes back in any case: with its result when the job ran, else unrun.
    struct Return {
        Return(QObject* context, Then then) : delivery(context), reply(std::make_unique<Reply>(std::move(then))) {}
        Return(Return&&) = default;
        ~Return()
        {
            if (reply)
                delivery.send(std::move(reply));
        }
        Delivery delivery;
        std::unique_ptr<Reply> reply;
    };
    auto job = [work = std::move(work), back = Return(context, std::move(then))]() mutable {
        back.reply->result.emplace(work());
        back.delivery.send(std::move(back.reply));
    };
    startOnPool(std::move(job), priority);
}

} // namespace tw
