#include "engine/inventory/RemovalLane.h"

namespace tw {

void RemovalLane::enqueue(std::function<void()> start)
{
    if (m_busy) {
        m_waiting.push_back(std::move(start));
        return;
    }
    m_busy = true;
    emit busyChanged(true);
    start();
}

void RemovalLane::next()
{
    if (!m_waiting.empty()) {
        const std::function<void()> start = std::move(m_waiting.front());
        m_waiting.pop_front();
        start();
        return;
    }
    m_busy = false;
    emit busyChanged(false);
}

} // namespace tw
