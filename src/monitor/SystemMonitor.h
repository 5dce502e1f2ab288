#pragma once

#include "monitor/IdentityReader.h"
#include "monitor/SystemSnapshot.h"
#include "platform/ProcReaders.h"
#include "platform/Services.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <memory>

class QTimer;

namespace tw {

// The live system monitor: reads the machine once a second and publishes
// each pass as one snapshot. The snapshot lives on the GUI thread; views only
// read snapshot() and redraw on snapshotChanged(). The timer's passes run on
// the engine pool, one at a time: a tick that comes while a pass runs is
// skipped, so a slow pass delays the next one instead of piling them up.
class SystemMonitor : public QObject {
    Q_OBJECT
public:
    // What a monitor reads from; none of it is owned, and all of it must
    // outlive the monitor. Only one pass at a time calls into it.
    struct Sources {
        ProcReaders* host = nullptr;
        IdentityReader* identity = nullptr;
        Clock* clock = nullptr;
    };
    // Whether the constructor takes a first pass on the constructing thread
    // (tests, benchmarks) or leaves it to start().
    enum class FirstPass { Here, None };

    explicit SystemMonitor(const Sources& sources, FirstPass first = FirstPass::Here, QObject* parent = nullptr);
    // Waits for a pass under way; its result is dropped.
    ~SystemMonitor() override;

    const SystemSnapshot& snapshot() const { return m_snapshot; }
    // One pass on the calling thread, published before it returns. Waits
    // for a pass under way on the pool, whose older result is then dropped.
    void sample();
    // One pass on the engine pool, published on the GUI thread when it ends;
    // false (and nothing started) while a pass runs.
    bool requestSample();
    // Samples every interval (one second) from now on, the first pass at once
    // when none was published yet; a second call changes nothing.
    void start();
    void setInterval(std::chrono::milliseconds interval);
    bool isSampling() const { return m_sampling; }
    // Passes published so far, and requests refused because a pass ran.
    std::uint64_t passCount() const { return m_passes; }
    std::uint64_t skippedTicks() const { return m_skipped; }

    // The sampler's state: previous readings, history and buffers. Only the
    // pass that holds its lock touches it.
    class Sampler;

signals:
    void snapshotChanged();

private:
    void publish(SystemSnapshot snapshot, std::uint64_t sequence);

    std::shared_ptr<Sampler> m_sampler;
    SystemSnapshot m_snapshot;
    QTimer* m_timer = nullptr;
    std::chrono::milliseconds m_interval{1000};
    bool m_sampling = false;
    std::uint64_t m_published = 0;  // sequence of the snapshot shown
    std::uint64_t m_passes = 0;
    std::uint64_t m_skipped = 0;
};

} // namespace tw
