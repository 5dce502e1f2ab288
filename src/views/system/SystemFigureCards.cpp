#include "views/system/SystemFigureCards.h"

#include "views/system/SystemCardTexts.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tw {

namespace T = SystemCardTexts;

namespace {

constexpr int kRingHeight = 120;

LineText* line(qreal points, QFont::Weight weight, TextRole role, bool fillsWidth = true)
{
    auto* text = new LineText(points, weight, role);
    text->setFillsWidth(fillsWidth);
    return text;
}

DonutMeter* ringGauge(const QColor& tint)
{
    auto* meter = new DonutMeter;
    meter->setTint(tint);
    meter->setFixedHeight(kRingHeight);
    return meter;
}

QVBoxLayout* stack(int spacing, QWidget* owner = nullptr)
{
    auto* layout = owner ? new QVBoxLayout(owner) : new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// Shows or hides a widget only when that changes (a change relays the card out).
void showIf(QWidget* widget, bool shown)
{
    if (widget->isHidden() == shown)
        widget->setVisible(shown);
}

// The 8 x 8 dot of a legend row.
class Dot : public QWidget {
public:
    Dot() { setFixedSize(8, 8); }
    void setColour(const std::optional<QColor>& colour)
    {
        if (colour == m_colour)
            return;
        m_colour = colour;
        update();
    }
    QColor colour() const { return m_colour.value_or(AppTheme::accent()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour());
        p.drawEllipse(rect());
    }

private:
    std::optional<QColor> m_colour;
};

} // namespace

// ---- ProcessList and legend rows --------------------------------------------------------------

ProcessList::ProcessList(bool showCPU, QWidget* parent)
    : QWidget(parent)
    , m_showCPU(showCPU)
{
    QVBoxLayout* column = stack(6, this);
    LineText* heading = line(11, QFont::DemiBold, TextRole::secondary);
    heading->setText(QStringLiteral("Top processes"));
    column->addWidget(heading);
    for (qsizetype i = 0; i < T::processRowCount; ++i) {
        Row row{new QWidget, line(11, QFont::Normal, TextRole::primary, false),
                line(11, QFont::Normal, TextRole::secondary, false)};
        auto* h = new QHBoxLayout(row.widget);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(row.name, 1);
        h->addWidget(row.value);
        row.widget->hide();
        column->addWidget(row.widget);
        m_rows << row;
    }
}

void ProcessList::display(const QList<LiveProcess>& processes)
{
    const QList<T::ProcessRow> rows = T::processRows(processes, m_showCPU);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const bool shown = i < rows.size();
        if (shown) {
            m_rows[i].name->setText(rows[i].name);
            m_rows[i].value->setText(rows[i].value);
        }
        showIf(m_rows[i].widget, shown);
    }
}

int ProcessList::shownRows() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return !r.widget->isHidden(); }));
}

QString ProcessList::name(int row) const
{
    return m_rows.value(row).name ? m_rows[row].name->text() : QString();
}

QString ProcessList::value(int row) const
{
    return m_rows.value(row).value ? m_rows[row].value->text() : QString();
}

LegendRowView::LegendRowView(const QString& label, QWidget* parent)
    : QWidget(parent)
    , m_dot(new Dot)
    , m_label(line(11, QFont::Normal, TextRole::secondary, false))
    , m_value(line(11, QFont::Medium, TextRole::primary, false))
{
    m_label->setText(label);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addWidget(m_label);
    row->addStretch(1);
    row->addWidget(m_value);
}

void LegendRowView::setDot(const std::optional<QColor>& colour)
{
    static_cast<Dot*>(m_dot)->setColour(colour);
}

QColor LegendRowView::dotColour() const
{
    return static_cast<Dot*>(m_dot)->colour();
}

// ---- Processor and graphics -------------------------------------------------------------------

ProcessorCard::ProcessorCard()
    : DashboardCard(QStringLiteral("CPU"), new QWidget)
    , m_ring(ringGauge(T::processorTint()))
    , m_load(line(11, QFont::Normal, TextRole::secondary))
    , m_history(new Sparkline)
    , m_split(line(11, QFont::Normal, TextRole::secondary))
    , m_count(line(11, QFont::Normal, TextRole::secondary))
    , m_processes(new ProcessList(true))
{
    m_history->setTint(T::processorTint());
    m_history->setFixedHeight(28);
    QVBoxLayout* column = stack(12, content());
    column->addWidget(m_ring);
    QVBoxLayout* figures = stack(6);
    for (QWidget* w : {static_cast<QWidget*>(m_load), static_cast<QWidget*>(m_history),
                       static_cast<QWidget*>(m_split), static_cast<QWidget*>(m_count)})
        figures->addWidget(w);
    column->addLayout(figures);
    column->addWidget(new DividerLine(Qt::Horizontal));
    column->addWidget(m_processes);
}

void ProcessorCard::display(const SystemSnapshot& s)
{
    setTitle(T::processorTitle(s));
    m_ring->setPercent(s.cpuPercent);
    m_ring->setLabel(T::processorRingLabel(s));
    m_load->setText(T::loadLine(s));
    m_history->setValues(s.cpuHistory);
    m_split->setText(T::processorSplitLine(s));
    m_count->setText(T::processCountLine(s));
    m_processes->display(s.topProcesses);
}

GraphicsCard::GraphicsCard()
    : DashboardCard(QStringLiteral("GPU"), new QWidget)
    , m_ring(ringGauge(T::graphicsTint()))
    , m_chip(line(12, QFont::Medium, TextRole::primary, false))
    , m_note(new MonitorText(11, QFont::Normal, MonitorText::Role::secondary))
    , m_network(line(12, QFont::Medium, TextRole::primary, false))
{
    // The graphics load is not measured: the ring stays empty.
    m_ring->setPercent(0);
    m_ring->setLabel(QStringLiteral("GPU"));
    m_note->setWordWrap(true);
    m_note->setText(T::graphicsNote());
    QVBoxLayout* column = stack(12, content());
    column->addWidget(m_ring);
    column->addWidget(m_chip, 0, Qt::AlignHCenter);
    column->addWidget(m_note);
    column->addStretch(1);
    auto* network = new QHBoxLayout;
    LineText* label = line(12, QFont::Medium, TextRole::primary, false);
    label->setText(QStringLiteral("Network"));
    network->addWidget(label);
    network->addStretch(1);
    network->addWidget(m_network);
    column->addLayout(network);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraphicsCard::display(const SystemSnapshot& s)
{
    setTitle(T::graphicsTitle(s));
    m_chip->setText(T::chipLine(s));
    m_network->setText(T::networkLine(s));
}

// ---- Memory -----------------------------------------------------------------------------------

MemoryCard::MemoryCard()
    : DashboardCard(QStringLiteral("RAM"), new QWidget)
    , m_ring(ringGauge(AppTheme::accent()))
    , m_pressure(new MeterBar)
    , m_swap(line(11, QFont::Normal, TextRole::secondary))
    , m_processes(new ProcessList(false))
{
    QVBoxLayout* column = stack(12, content());
    column->addWidget(m_ring);
    QVBoxLayout* pressure = stack(6);
    LineText* heading = line(11, QFont::Normal, TextRole::secondary);
    heading->setText(QStringLiteral("Memory Pressure"));
    pressure->addWidget(heading);
    pressure->addWidget(m_pressure);
    pressure->addWidget(m_swap);
    column->addLayout(pressure);
    QVBoxLayout* legend = stack(4);
    for (const T::LegendRow& row : T::legendRows(SystemSnapshot())) {
        m_legend << new LegendRowView(row.label);
        m_legend.back()->setDot(row.dot);
        legend->addWidget(m_legend.back());
    }
    column->addLayout(legend);
    column->addWidget(new DividerLine(Qt::Horizontal));
    column->addWidget(m_processes);
    onThemeChange(this, [this] { m_ring->setTint(AppTheme::accent()); });
}

void MemoryCard::display(const SystemSnapshot& s)
{
    m_ring->setPercent(T::memoryPercent(s));
    m_ring->setLabel(T::memoryRingLabel(s));
    const double pressure = T::memoryPressure(s);
    m_pressure->setPercent(pressure);
    m_pressure->setTint(T::pressureColour(pressure));
    m_swap->setText(T::swapLine(s));
    const QList<T::LegendRow> rows = T::legendRows(s);
    for (qsizetype i = 0; i < m_legend.size(); ++i)
        m_legend[i]->setValue(rows[i].value);
    m_processes->display(s.topMemoryProcesses);
}

// ---- Storage and battery ----------------------------------------------------------------------

StorageCard::StorageCard()
    : DashboardCard(QStringLiteral("Storage"), new QWidget)
    , m_media(new MonitorText(13, QFont::Medium, MonitorText::Role::primary))
    , m_bar(new MeterBar)
    , m_used(line(12, QFont::Normal, TextRole::secondary))
    , m_available(line(11, QFont::Normal, TextRole::secondary))
{
    m_media->setWordWrap(true);
    m_media->hide();
    m_bar->setTint(AppTheme::accent());
    QVBoxLayout* column = stack(10, content());
    column->addWidget(m_media);
    column->addWidget(m_bar);
    column->addWidget(m_used);
    column->addWidget(m_available);
    column->addStretch(1);
    onThemeChange(this, [this] { m_bar->setTint(AppTheme::accent()); });
}

void StorageCard::display(const SystemSnapshot& s)
{
    const QString title = T::storageDriveDisplayName(s);
    setTitle(title);
    const std::optional<QString> media = T::storageMediaLine(s, title);
    if (media)
        m_media->setText(*media);
    showIf(m_media, media.has_value());
    m_bar->setPercent(T::diskPercent(s));
    m_used->setText(T::storageUsedLine(s));
    m_available->setText(T::storageAvailableLine(s));
}

QString StorageCard::mediaText() const
{
    return m_media->isHidden() ? QString() : m_media->text();
}

BatteryCard::BatteryCard()
    : DashboardCard(QStringLiteral("Battery"), new QWidget)
    , m_charge(line(16, QFont::DemiBold, TextRole::primary, false))
    , m_power(line(11, QFont::Normal, TextRole::secondary, false))
    , m_bar(new MeterBar)
    , m_health(line(12, QFont::Normal, TextRole::secondary))
    , m_temperature(line(12, QFont::Normal, TextRole::secondary))
{
    m_bar->setTint(T::batteryTint());
    m_temperature->hide();
    QVBoxLayout* column = stack(10, content());
    auto* top = new QHBoxLayout;
    top->addWidget(m_charge);
    top->addStretch(1);
    top->addWidget(m_power);
    column->addLayout(top);
    column->addWidget(m_bar);
    column->addWidget(m_health);
    column->addWidget(m_temperature);
    column->addStretch(1);
}

void BatteryCard::display(const SystemSnapshot& s)
{
    m_charge->setText(T::chargeLine(s));
    m_power->setText(T::powerLine(s));
    m_bar->setPercent(s.batteryCharge);
    m_health->setText(T::healthLine(s));
    const std::optional<QString> temperature = T::temperatureLine(s);
    if (temperature)
        m_temperature->setText(*temperature);
    showIf(m_temperature, temperature.has_value());
}

QString BatteryCard::temperatureText() const
{
    return m_temperature->isHidden() ? QString() : m_temperature->text();
}

} // namespace tw
