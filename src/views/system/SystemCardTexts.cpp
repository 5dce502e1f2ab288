#include "views/system/SystemCardTexts.h"

#include "state/Colour.h"
#include "monitor/HardwareIdentityReader.h"
#include "monitor/MonitorFormat.h"
#include "platform/Format.h"
#include "views/kit/MonitorWidgets.h"

#include <algorithm>
#include <limits>

namespace tw::systemcardtexts {

namespace {

const QString kEmDash = QStringLiteral("\u2014");
const QString kStorage = QStringLiteral("Storage");

// part / whole in percent, at most 100; 0 without a whole.
double shareOf(double part, std::uint64_t whole)
{
    return monitorstyle::usedPercent(part, double(whole));
}

QString titleOr(const QString& name, const char* fallback)
{
    return name.isEmpty() ? QString::fromLatin1(fallback) : name;
}

} // namespace

QColor processorTint() { return rgb(0.95, 0.45, 0.25); }
QColor graphicsTint() { return rgb(0.20, 0.55, 0.95); }
QColor batteryTint() { return rgb(0.18, 0.70, 0.44); }
QColor enabledGreen() { return rgb(0.18, 0.70, 0.44); }
QColor wiredColour() { return rgb(0.75, 0.35, 0.85); }
QColor compressedColour() { return rgb(0.95, 0.55, 0.20); }
QColor cachedColour() { return rgb(0.45, 0.78, 0.45); }

QColor pressureColour(double percent)
{
    return monitorstyle::loadColour(percent);
}

Banner banner(bool enabled)
{
    if (enabled) {
        return {QStringLiteral("checkmark.seal.fill"), QStringLiteral("Background monitoring enabled"),
                QStringLiteral("Live System dashboard can keep sampling while ") + productName
                    + QStringLiteral(" stays in the background."),
                QStringLiteral("Open Settings"), false};
    }
    return {QStringLiteral("person.badge.key.fill"), QStringLiteral("Login Item permission needed"),
            productName
                + QStringLiteral(" needs Login Item / Background Items approval for full monitoring. "
                                 "Enable it so System keeps updating."),
            QStringLiteral("Enable Login Item"), true};
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? kEmDash : text;
}

QString formattedModelNumber(const SystemSnapshot& s)
{
    const QString model = s.machineModel.trimmed();
    return model.isEmpty() ? kEmDash : model.toUpper();
}

QList<SpecRow> leftSpecRows(const SystemSnapshot& s)
{
    return {
        {QStringLiteral("Model"), formattedModelNumber(s)},
        {QStringLiteral("Serial number"), orDash(s.serialNumber)},
        {QStringLiteral("Release date"), orDash(s.releaseDate)},
        {QStringLiteral("Manufacture date"), s.manufactureDate},
        {QStringLiteral("Origin"), s.origin},
    };
}

QList<SpecRow> rightSpecRows(const SystemSnapshot& s)
{
    return {
        {QStringLiteral("Identifier"), orDash(s.modelIdentifier)},
        {QStringLiteral("Processor"), orDash(s.chipName)},
        {QStringLiteral("Graphics"), orDash(s.graphicsName)},
        {QStringLiteral("Memory"), monitorformat::memory(s.memoryTotal)},
        {QStringLiteral("Storage"), monitorformat::storageCapacity(s.diskTotal)},
    };
}

std::optional<QString> yearBadge(const SystemSnapshot& s)
{
    if (!s.modelYear)
        return std::nullopt;
    return QString::number(*s.modelYear);
}

QString processorTitle(const SystemSnapshot& s)
{
    return titleOr(s.chipName, "CPU");
}

QString processorRingLabel(const SystemSnapshot& s)
{
    return cFormat("%.0f%% CPU", s.cpuPercent);
}

QString loadLine(const SystemSnapshot& s)
{
    const QString dot = QStringLiteral("  \u00b7  ");
    return QStringLiteral("Load  ") + cFormat("%.2f", s.load1) + dot + cFormat("%.2f", s.load5) + dot
        + cFormat("%.2f", s.load15);
}

QString processorSplitLine(const SystemSnapshot& s)
{
    return cFormat("User %.1f%%", s.cpuUser) + cFormat("  System %.1f%%", s.cpuSystem)
        + cFormat("  Idle %.1f%%", s.cpuIdle);
}

QString processCountLine(const SystemSnapshot& s)
{
    return QString::number(s.processCount) + QStringLiteral(" processes \u00b7 ") + QString::number(s.threadCount)
        + QStringLiteral(" threads");
}

QString graphicsTitle(const SystemSnapshot& s)
{
    return titleOr(s.graphicsName, "GPU");
}

QString chipLine(const SystemSnapshot& s)
{
    return QStringLiteral("Chip: ") + orDash(s.graphicsName);
}

QString graphicsNote(bool loginItemEnabled)
{
    if (loginItemEnabled)
        return QStringLiteral("Precise GPU load and sensor temperatures are not measured; background monitoring with ")
            + productName + QStringLiteral(" is on.");
    return QStringLiteral("Precise GPU load and sensor temperatures need a login-item helper. "
                          "Enable Login Item above for background monitoring with ")
        + productName + u'.';
}

QString networkLine(const SystemSnapshot& s)
{
    return QStringLiteral("\u2193 ") + monitorformat::perSecond(s.networkInPerSec) + QStringLiteral("  \u2191 ")
        + monitorformat::perSecond(s.networkOutPerSec);
}

double memoryPercent(const SystemSnapshot& s)
{
    return shareOf(double(s.memoryUsed), s.memoryTotal);
}

double memoryPressure(const SystemSnapshot& s)
{
    // Saturates rather than wrapping round on absurd readings.
    const std::uint64_t half = s.memoryCompressed / 2;
    const std::uint64_t pressured = s.memoryUsed > std::numeric_limits<std::uint64_t>::max() - half
        ? std::numeric_limits<std::uint64_t>::max()
        : s.memoryUsed + half;
    return shareOf(double(pressured), s.memoryTotal);
}

QString memoryRingLabel(const SystemSnapshot& s)
{
    return cFormat("%.0f%% RAM", memoryPercent(s));
}

QString swapLine(const SystemSnapshot& s)
{
    return QStringLiteral("Swap File  ") + monitorformat::memory(s.swapUsed);
}

QList<LegendRow> legendRows(const SystemSnapshot& s)
{
    return {
        {wiredColour(), QStringLiteral("Wired"), monitorformat::memory(s.memoryWired)},
        {std::nullopt, QStringLiteral("App"), monitorformat::memory(s.appMemory)},
        {compressedColour(), QStringLiteral("Compressed"), monitorformat::memory(s.memoryCompressed)},
        {cachedColour(), QStringLiteral("Cached"), monitorformat::memory(s.cachedFiles)},
    };
}

QString storageDriveDisplayName(const SystemSnapshot& s)
{
    const QString name = s.ssdProductName.trimmed();
    return HardwareIdentityReader::isRealAppleSSDProductName(name) ? name : kStorage;
}

std::optional<QString> storageMediaLine(const SystemSnapshot& s, const QString& title)
{
    if (title == kStorage || s.diskMediaName.isEmpty() || s.diskMediaName.compare(title, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return s.diskMediaName;
}

double diskPercent(const SystemSnapshot& s)
{
    return shareOf(double(s.diskUsed), s.diskTotal);
}

QString storageUsedLine(const SystemSnapshot& s)
{
    return monitorformat::disk(s.diskUsed) + QStringLiteral(" used out of ") + monitorformat::disk(s.diskTotal);
}

QString storageAvailableLine(const SystemSnapshot& s)
{
    return QStringLiteral("Available ") + monitorformat::disk(s.diskFree) + QStringLiteral(" \u00b7 R ")
        + monitorformat::perSecond(s.diskReadPerSec) + QStringLiteral(" \u00b7 W ")
        + monitorformat::perSecond(s.diskWritePerSec);
}

QString chargeLine(const SystemSnapshot& s)
{
    return cFormat("Charge %.0f%%", s.batteryCharge);
}

QString powerLine(const SystemSnapshot& s)
{
    return s.batteryIsCharging ? QStringLiteral("Charging") : QStringLiteral("Power Adapter");
}

QString healthLine(const SystemSnapshot& s)
{
    return cFormat("Health est. %.0f%%", s.batteryHealth) + QStringLiteral(" \u00b7 ")
        + QString::number(s.batteryCycleCount) + QStringLiteral(" cycles");
}

std::optional<QString> temperatureLine(const SystemSnapshot& s)
{
    if (!s.batteryTemperatureC)
        return std::nullopt;
    return cFormat("Temperature %.0f", *s.batteryTemperatureC) + QStringLiteral("\u00b0C");
}

QList<ProcessRow> processRows(const QList<LiveProcess>& processes, bool showCPU)
{
    QList<ProcessRow> rows;
    const qsizetype n = std::min(processes.size(), processRowCount);
    rows.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const LiveProcess& p = processes[i];
        rows.append({p.pid, p.name, showCPU ? cFormat("%.1f%%", p.cpuPercent) : monitorformat::memory(p.memory)});
    }
    return rows;
}

} // namespace tw::systemcardtexts
