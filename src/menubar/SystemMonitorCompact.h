#pragma once

#include "views/kit/TypeScale.h"

#include <QWidget>

class QVBoxLayout;

namespace tw {

class TintedLabel;
class Sparkline;
class SystemMonitor;
class UsageBar;
struct SystemSnapshot;

// The side panel's System pane: one narrow column of the Mac's live state
// (processor, memory, storage, the busiest process, network, uptime) over a
// line of recent processor load. It keeps nothing of its own: each snapshot
// the monitor publishes is shown as it is. The rows keep 12 points apart,
// less (down to 6) when the panel is too short for them.
class SystemMonitorCompact : public QWidget {
    Q_OBJECT
public:
    explicit SystemMonitorCompact(SystemMonitor& monitor, QWidget* parent = nullptr);

    void showSnapshot(const SystemSnapshot& s);

    // A labelled gauge: the title and the detail above a usage bar.
    struct Gauge {
        TintedLabel* title;
        TintedLabel* detail;
        UsageBar* bar;
    };
    const Gauge& processor() const { return m_cpu; }
    const Gauge& memory() const { return m_memory; }
    const Gauge& storage() const { return m_storage; }
    // The lines in their order, from "System" to the uptime; the busiest
    // process's line is hidden while no process is known.
    enum class Line { title, subtitle, cpuSplit, memoryBreakdown, memoryCache, storage, process, networkIn, networkOut, uptime };
    TintedLabel* line(Line which) const;
    Sparkline* sparkline() const { return m_sparkline; }
    int rowSpacing() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Gauge addGauge(const QString& title);
    TintedLabel* addLine(TextRole font, bool primary);
    void fitSpacing();

    QVBoxLayout* m_column;
    Gauge m_cpu;
    Gauge m_memory;
    Gauge m_storage;
    QList<TintedLabel*> m_lines;
    Sparkline* m_sparkline;
};

} // namespace tw
