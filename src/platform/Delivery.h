#pragma once

// The one way results reach the GUI thread: through a Delivery taken on the
// GUI thread for a context object. Whatever is posted runs on the GUI thread,
// and only while the context lives; its destruction cancels delivery.
//
// One exception: the update checker's pool steps (UpdateCheck::startStep in
// engine/updates/UpdateCheck.cpp, and the row building in
// UpdateChecker::checkAll) come back through a QFutureWatcher, because their
// owners keep the QFuture and wait for a file read on destruction, which a
// Delivery cannot give.

#include "platform/ThreadPool.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <utility>

namespace tw {

class Delivery {
public:
    // On the GUI thread, while context lives.
    explicit Delivery(QObject* context) : m_context(context)
    {
        Q_ASSERT(!context || !QCoreApplication::instance()
                 || context->thread() == QCoreApplication::instance()->thread());
    }

    // From any thread: f runs later on the GUI thread unless the context is
    // gone by then. f is destroyed on the GUI thread.
    template <typename F>
    void post(F f) const
    {
        // Posted to the application object, which outlives every context; the
        // guard is read only on the GUI thread, where contexts die.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [context = m_context, f = std::move(f)]() mutable {
                if (context)
                    f();
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<QObject> m_context;
};

// Runs work() on the engine pool and hands its result to then() on the GUI
// thread while context lives. Call on the GUI thread.
template <typename Work, typename Then>
void runInBackground(QObject* context, Work work, Then then, int priority = 0)
{
    enginePool().start(
        [delivery = Delivery(context), work = std::move(work), then = std::move(then)]() mutable {
            delivery.post([then = std::move(then), result = work()]() mutable { then(std::move(result)); });
        },
        priority);
}

} // namespace tw
