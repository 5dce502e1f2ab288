#include "platform/Delivery.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

namespace tw {

namespace {

// Work waits here until the GUI thread drains it, woken by an event posted
// to an object of its own there. Qt's own queued calls are not enough: a
// queued call's functor is shared between the event and the poster until
// the post returns, so the poster destroys it whenever the GUI thread has
// run the event first; and a call that cannot be posted is destroyed on the
// spot. The queue hands work over with nothing shared: the
// posting thread only ever gives it up.
//
// A std::mutex rather than a QMutex: ThreadSanitizer sees its hand-over.
class Mailbox {
public:
    // On the GUI thread: the application object whose thread drains the
    // queue, and whose end destroys what is left.
    void attach(QCoreApplication* app)
    {
        const std::lock_guard lock(m_mutex);
        if (m_app == app)
            return;
        m_app = app;
        delete m_wakes;
        m_wakes = new Wakes;
        makeSpareWake();
        qAddPostRoutine(&Mailbox::closeQueue);
        if (!m_queue.empty())
            wake();
    }

    void send(QPointer<QObject> context, std::unique_ptr<GuiWork> work)
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back({++m_sent, std::move(context), std::move(work)});
        // One wake-up at a time. It is posted under the lock, so its
        // receiver cannot end meanwhile (closeQueue takes the lock first).
        // The wake-up holds nothing: wherever Qt destroys it, nothing of the
        // work goes with it.
        if (m_wakes && !m_wakePending)
            wake();
    }

    static Mailbox& instance()
    {
        // Never destroyed: pool threads may still post while the process ends.
        static Mailbox* mailbox = new Mailbox;
        return *mailbox;
    }

private:
    struct Letter {
        std::uint64_t number;
        QPointer<QObject> context;
        std::unique_ptr<GuiWork> work;
    };

    // Receives the wake-ups on the GUI thread.
    class Wakes final : public QObject {
    public:
        static QEvent::Type type()
        {
            static const auto wake = QEvent::Type(QEvent::registerEventType());
            return wake;
        }
        bool event(QEvent* e) override
        {
            sanitizer::takeOver(e);
            if (e->type() != type())
                return QObject::event(e);
            instance().drain();
            return true;
        }
    };

    // On the GUI thread, under the lock: the next wake-up is made here, so
    // that the application's event filters, which see it before its receiver
    // does, read an event of their own thread.
    void makeSpareWake()
    {
        if (!m_spareWake)
            m_spareWake = new QEvent(Wakes::type());
    }

    // Under the lock.
    void wake()
    {
        m_wakePending = true;
        QEvent* e = m_spareWake ? std::exchange(m_spareWake, nullptr) : new QEvent(Wakes::type());
        sanitizer::handOver(e);
        QCoreApplication::postEvent(m_wakes, e);
    }

    static void closeQueue() { instance().close(); }

    // On the GUI thread. Runs what was sent before this drain began, one
    // letter at a time, so that a nested event loop in one of them drains
    // the rest in order; what is sent meanwhile waits for its own wake-up.
    void drain()
    {
        std::uint64_t last;
        {
            const std::lock_guard lock(m_mutex);
            m_wakePending = false;
            makeSpareWake();
            last = m_sent;
        }
        for (;;) {
            Letter letter;
            {
                const std::lock_guard lock(m_mutex);
                if (m_queue.empty() || m_queue.front().number > last)
                    return;
                letter = std::move(m_queue.front());
                m_queue.pop_front();
            }
            if (letter.context)
                letter.work->run();
        }
    }

    // On the GUI thread, as the application object ends: what is left is
    // destroyed unrun, as Qt destroys the events still posted to it. Later
    // work stays queued for good.
    void close()
    {
        std::deque<Letter> left;
        {
            const std::lock_guard lock(m_mutex);
            m_app = nullptr;
            delete m_wakes;
            m_wakes = nullptr;
            delete std::exchange(m_spareWake, nullptr);
            m_wakePending = false;
            left.swap(m_queue);
        }
    }

    std::mutex m_mutex;
    std::deque<Letter> m_queue;
    std::uint64_t m_sent = 0;
    QCoreApplication* m_app = nullptr;
    QObject* m_wakes = nullptr;  // on the GUI thread
    QEvent* m_spareWake = nullptr;  // made on the GUI thread, posted by the next wake()
    bool m_wakePending = false;
};

} // namespace

Delivery::Delivery(QObject* context)
    : m_context(context)
{
    QCoreApplication* app = QCoreApplication::instance();
    Q_ASSERT(!context || !app || context->thread() == app->thread());
    if (app && QThread::currentThread() == app->thread())
        Mailbox::instance().attach(app);
}

namespace delivery {

void send(QPointer<QObject> context, std::unique_ptr<GuiWork> work)
{
    Mailbox::instance().send(std::move(context), std::move(work));
}

} // namespace delivery

} // namespace tw
