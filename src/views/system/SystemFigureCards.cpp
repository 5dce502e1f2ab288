#include "views/system/SystemFigureCards.h"

#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"
#include "views/system/SystemCardTexts.h"

#include <QVBoxLayout>

#include <algorithm>

namespace tw {

namespace T = systemcardtexts;

namespace {

constexpr int kRingHeight = 120;

LineText* line(TextRole font, Tint role, bool fillsWidth = true)
{
    auto* text = new LineText(font, role);
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

RowText* row(TextRole leadingFont, Tint leadingRole, TextRole trailingFont, Tint trailingRole)
{
    return new RowText(typescale::font(leadingFont), leadingRole, typescale::font(trailingFont), trailingRole);
}

} // namespace

// ---- ProcessList and legend rows --------------------------------------------------------------

ProcessList::ProcessList(bool showCPU, QWidget* parent)
    : QWidget(parent)
    , m_showCPU(showCPU)
{
    QVBoxLayout* column = stack(6, this);
    LineText* heading = line(TextRole::sectionHeader, Tint::secondary);
    heading->setText(QStringLiteral("Top processes"));
    column->addWidget(heading);
    for (qsizetype i = 0; i < T::processRowCount; ++i) {
        m_rows << row(TextRole::caption, Tint::primary, TextRole::caption, Tint::secondary);
        m_rows.back()->hide();
        column->addWidget(m_rows.back());
    }
}

void ProcessList::display(const QList<LiveProcess>& processes)
{
    const QList<T::ProcessRow> rows = T::processRows(processes, m_showCPU);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const bool shown = i < rows.size();
        if (shown) {
            m_rows[i]->setLeading(rows[i].name);
            m_rows[i]->setTrailing(rows[i].value);
        }
        showIf(m_rows[i], shown);
    }
}

int ProcessList::shownRows() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const RowText* r) { return !r->isHidden(); }));
}

QString ProcessList::name(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row]->leading() : QString();
}

QString ProcessList::value(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row]->trailing() : QString();
}

// ---- Processor and graphics -------------------------------------------------------------------

ProcessorCard::ProcessorCard()
    : DashboardCard(QStringLiteral("CPU"), new QWidget)
    , m_ring(ringGauge(T::processorTint()))
    , m_load(line(TextRole::caption, Tint::secondary))
    , m_history(new Sparkline)
    , m_split(line(TextRole::caption, Tint::secondary))
    , m_count(line(TextRole::caption, Tint::secondary))
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
    , m_chip(line(TextRole::value, Tint::primary, false))
    , m_note(new TintedLabel(T::graphicsNote(), Tint::secondary, typescale::font(TextRole::caption)))
    , m_network(row(TextRole::value, Tint::primary, TextRole::value, Tint::primary))
{
    // The graphics load is not measured: the ring stays empty.
    m_ring->setPercent(0);
    m_ring->setLabel(QStringLiteral("GPU"));
    m_note->setWordWrap(true);
    QVBoxLayout* column = stack(12, content());
    column->addWidget(m_ring);
    column->addWidget(m_chip, 0, Qt::AlignHCenter);
    column->addWidget(m_note);
    column->addStretch(1);
    m_network->setLeading(QStringLiteral("Network"));
    column->addWidget(m_network);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraphicsCard::setLoginItemEnabled(bool enabled)
{
    const QString note = T::graphicsNote(enabled);
    if (m_note->text() != note)
        m_note->setText(note);
}

void GraphicsCard::display(const SystemSnapshot& s)
{
    setTitle(T::graphicsTitle(s));
    m_chip->setText(T::chipLine(s));
    m_network->setTrailing(T::networkLine(s));
}

// ---- Memory -----------------------------------------------------------------------------------

MemoryCard::MemoryCard()
    : DashboardCard(QStringLiteral("RAM"), new QWidget)
    , m_ring(ringGauge(AppTheme::accent()))
    , m_pressure(new MeterBar)
    , m_swap(line(TextRole::caption, Tint::secondary))
    , m_processes(new ProcessList(false))
{
    QVBoxLayout* column = stack(12, content());
    column->addWidget(m_ring);
    QVBoxLayout* pressure = stack(6);
    LineText* heading = line(TextRole::caption, Tint::secondary);
    heading->setText(QStringLiteral("Memory Pressure"));
    pressure->addWidget(heading);
    pressure->addWidget(m_pressure);
    pressure->addWidget(m_swap);
    column->addLayout(pressure);
    QVBoxLayout* legend = stack(4);
    for (const T::LegendRow& entry : T::legendRows(SystemSnapshot())) {
        m_legend << row(TextRole::caption, Tint::secondary, TextRole::captionMedium, Tint::primary);
        m_legend.back()->setLeading(entry.label);
        m_legend.back()->setDot(entry.dot);
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
        m_legend[i]->setTrailing(rows[i].value);
    m_processes->display(s.topMemoryProcesses);
}

// ---- Storage and battery ----------------------------------------------------------------------

StorageCard::StorageCard()
    : DashboardCard(QStringLiteral("Storage"), new QWidget)
    , m_media(new TintedLabel(QString(), Tint::primary, typescale::font(TextRole::itemName)))
    , m_bar(new MeterBar)
    , m_used(line(TextRole::callout, Tint::secondary))
    , m_available(line(TextRole::caption, Tint::secondary))
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
        m_media->setText(text::singleLine(*media));
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
    , m_charge(row(TextRole::paneTitle, Tint::primary, TextRole::caption, Tint::secondary))
    , m_bar(new MeterBar)
    , m_health(line(TextRole::callout, Tint::secondary))
    , m_temperature(line(TextRole::callout, Tint::secondary))
{
    m_bar->setTint(T::batteryTint());
    m_temperature->hide();
    QVBoxLayout* column = stack(10, content());
    column->addWidget(m_charge);
    column->addWidget(m_bar);
    column->addWidget(m_health);
    column->addWidget(m_temperature);
    column->addStretch(1);
}

void BatteryCard::display(const SystemSnapshot& s)
{
    m_charge->setLeading(T::chargeLine(s));
    m_charge->setTrailing(T::powerLine(s));
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
