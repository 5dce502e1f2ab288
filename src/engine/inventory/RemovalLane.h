#pragma once

// How an engine changes the system without the GUI thread waiting: the
// moves (and the administrator prompt, the pause after quitting, launchctl)
// run on the engine pool over plain values; the engine's lists, and then
// the asker, hear of the outcome on the GUI thread.

#include "platform/Delivery.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

namespace tw {

// Where an outcome goes once the engine has applied it: done runs on the GUI
// thread while context lives. Empty: nobody asks.
template <typename Outcome>
struct Completion {
    QPointer<QObject> context;
    std::function<void(const Outcome&)> done;

    void operator()(const Outcome& outcome) const
    {
        if (context && done)
            done(outcome);
    }
};

// One change at a time for one engine, in the order asked. Lives on the GUI
// thread, owned by its engine.
class RemovalLane : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A change runs, or waits for the one before it.
    bool isBusy() const { return m_busy; }

    // work() runs on the engine pool once every change asked before has
    // ended. It gets plain values only, never an engine's records, and may
    // block (a move, an administrator prompt). Then, on the GUI thread and
    // while the lane lives: apply(outcome) brings the engine's lists up to
    // date, the next change starts, and completion(outcome) runs.
    template <typename Outcome>
    void run(std::function<Outcome()> work, std::function<void(Outcome&)> apply, Completion<Outcome> completion)
    {
        enqueue([this, work = std::move(work), apply = std::move(apply), completion = std::move(completion)] {
            runInBackground(this, work, [this, apply, completion](Outcome outcome) {
                if (apply)
                    apply(outcome);
                next();
                completion(outcome);
            });
        });
    }

signals:
    void busyChanged(bool busy);

private:
    void enqueue(std::function<void()> start);
    void next();

    std::deque<std::function<void()>> m_waiting;
    bool m_busy = false;
};

} // namespace tw
