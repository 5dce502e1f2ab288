#include "menubar/SystemMonitorCompact.h"

#include "menubar/CompactMonitorTexts.h"
#include "monitor/MonitorFormat.h"
#include "monitor/SystemMonitor.h"
#include "state/Colour.h"
#include "views/kit/MonitorWidgets.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace tw {

namespace {

constexpr int kSpacing = 12;
constexpr int kTightest = 6;

// The sparkline on its rounded ground: the list background, a faint border.
class SparklineFrame : public QWidget {
public:
    explicit SparklineFrame(Sparkline* line, QWidget* parent)
        : QWidget(parent)
    {
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(6, 8, 6, 8);
        line->setParent(this);
        line->setFixedHeight(46);
        box->addWidget(line);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        onThemeChange(this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const AppAppearance a = AppTheme::appearance();
        neon::fillRoundedPath(p, rect(), 8, AppTheme::listBackground(a));
        neon::strokeRoundedPathInside(p, rect(), 8, 1, faded(AppTheme::cardStroke(a), 0.55));
    }
};

} // namespace

SystemMonitorCompact::SystemMonitorCompact(SystemMonitor& monitor, QWidget* parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("systemMonitorCompact"));
    m_column->setContentsMargins(16, 28, 16, 0);
    m_column->setSpacing(kSpacing);
    addLine(TextRole::paneTitle, true)->setText(QStringLiteral("System"));
    addLine(TextRole::callout, false)->setText(QStringLiteral("Live Mac performance"));
    m_cpu = addGauge(QStringLiteral("CPU"));
    addLine(TextRole::caption, false);
    m_memory = addGauge(QStringLiteral("Memory"));
    addLine(TextRole::caption, false);
    addLine(TextRole::caption, false);
    m_storage = addGauge(QStringLiteral("Storage"));
    addLine(TextRole::caption, false);
    addLine(TextRole::value, true);

    // Down and up, then the uptime at the far end.
    auto* network = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* text = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::value), this);
        m_lines << text;
        if (i == 2)
            network->addStretch(1);
        network->addWidget(text);
    }
    m_column->addLayout(network);

    m_sparkline = new Sparkline;
    m_column->addWidget(new SparklineFrame(m_sparkline, this));
    m_column->addStretch(1);

    connect(&monitor, &SystemMonitor::snapshotChanged, this, [this, &monitor] { showSnapshot(monitor.snapshot()); });
    showSnapshot(monitor.snapshot());
}

TintedLabel* SystemMonitorCompact::addLine(TextRole font, bool primary)
{
    auto* text = new TintedLabel({}, primary ? Tint::primary : Tint::secondary, typescale::font(font), this);
    m_column->addWidget(text);
    m_lines << text;
    return text;
}

SystemMonitorCompact::Gauge SystemMonitorCompact::addGauge(const QString& title)
{
    auto* box = new QVBoxLayout;
    box->setSpacing(4);
    auto* row = new QHBoxLayout;
    Gauge g{new TintedLabel(title, Tint::primary, typescale::font(TextRole::emphasised), this),
            new TintedLabel({}, Tint::secondary, typescale::font(TextRole::callout), this), new UsageBar(this)};
    row->addWidget(g.title);
    row->addStretch(1);
    row->addWidget(g.detail);
    box->addLayout(row);
    box->addWidget(g.bar);
    m_column->addLayout(box);
    return g;
}

TintedLabel* SystemMonitorCompact::line(Line which) const
{
    return m_lines.value(int(which));
}

void SystemMonitorCompact::showSnapshot(const SystemSnapshot& s)
{
    namespace T = compactmonitortexts;
    const double memory = T::memoryPercent(s);
    // Every line is one line, a process's name from /proc too.
    auto setText = [](TintedLabel* t, const QString& given) {
        if (const QString text = text::singleLine(given); t->text() != text)
            t->setText(text);
    };
    const QColor load = monitorstyle::loadColour(s.cpuPercent);
    setText(m_cpu.detail, T::cpuDetail(s));
    m_cpu.bar->setPercent(s.cpuPercent);
    m_cpu.bar->setTint(load);
    setText(line(Line::cpuSplit), T::cpuSplit(s));
    setText(m_memory.detail, T::memoryDetail(s));
    m_memory.bar->setPercent(memory);
    m_memory.bar->setTint(monitorstyle::loadColour(memory));
    setText(line(Line::memoryBreakdown), T::memoryBreakdown(s));
    setText(line(Line::memoryCache), T::memoryCache(s));
    setText(m_storage.detail, T::storageDetail(s));
    m_storage.bar->setPercent(T::storagePercent(s));
    m_storage.bar->setTint(AppTheme::accent());
    setText(line(Line::storage), T::storageLine(s));
    const std::optional<QString> busiest = T::topProcess(s);
    TintedLabel* process = line(Line::process);
    if (busiest)
        setText(process, *busiest);
    if (process->isHidden() == busiest.has_value()) {
        process->setVisible(busiest.has_value());
        fitSpacing();
    }
    setText(line(Line::networkIn), T::networkIn(s));
    setText(line(Line::networkOut), T::networkOut(s));
    setText(line(Line::uptime), uptimeText(s.uptime));
    m_sparkline->setValues(s.cpuHistory);
    m_sparkline->setTint(load);
}

int SystemMonitorCompact::rowSpacing() const
{
    return m_column->spacing();
}

void SystemMonitorCompact::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitSpacing();
}

void SystemMonitorCompact::fitSpacing()
{
    // What the rows need at the full spacing, and what they get.
    const int gaps = [this] {
        int shown = 0;
        for (int i = 0; i < m_column->count(); ++i) {
            QLayoutItem* item = m_column->itemAt(i);
            if (!item->isEmpty() && !item->spacerItem())
                ++shown;
        }
        return std::max(1, shown - 1);
    }();
    const int rows = m_column->minimumSize().height() - m_column->spacing() * gaps;
    const int room = height() - rows;
    const int spacing = std::clamp(room / gaps, kTightest, kSpacing);
    if (spacing != m_column->spacing())
        m_column->setSpacing(spacing);
}

} // namespace tw
