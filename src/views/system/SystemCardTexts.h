#pragma once

#include "monitor/SystemSnapshot.h"

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

namespace tw {

// What the System tab shows for a snapshot: every text, gauge percent and
// fixed colour of its banner, machine card and figure cards, computed apart
// from the widgets so each rule can be checked on its own.
namespace systemcardtexts {

// The product's name in the banner and the graphics note.
inline const QString productName = QStringLiteral("Tidewell");

// ---- Fixed colours (the same in every theme) ----
QColor processorTint();
QColor graphicsTint();
QColor batteryTint();
QColor enabledGreen();
QColor wiredColour();
QColor compressedColour();
QColor cachedColour();
// High from 85, medium from 60, low below (and for NaN).
QColor pressureColour(double percent);

// ---- Permission banner ----
struct Banner {
    QString symbol;
    QString title;
    QString message;
    QString button;
    bool prominent = false;  // the filled, accent-tinted button
};
Banner banner(bool enabled);

// ---- Machine card ----
struct SpecRow {
    QString label;
    QString value;
    friend bool operator==(const SpecRow&, const SpecRow&) = default;
};
// The text, or the em dash when it has no characters.
QString orDash(const QString& text);
// The model number trimmed and upper-cased; the em dash when blank.
QString formattedModelNumber(const SystemSnapshot& s);
QList<SpecRow> leftSpecRows(const SystemSnapshot& s);
QList<SpecRow> rightSpecRows(const SystemSnapshot& s);
// The year as plain digits; none without a year.
std::optional<QString> yearBadge(const SystemSnapshot& s);

// ---- Processor card ----
QString processorTitle(const SystemSnapshot& s);
QString processorRingLabel(const SystemSnapshot& s);
QString loadLine(const SystemSnapshot& s);
QString processorSplitLine(const SystemSnapshot& s);
QString processCountLine(const SystemSnapshot& s);

// ---- Graphics card ----
QString graphicsTitle(const SystemSnapshot& s);
QString chipLine(const SystemSnapshot& s);
// Points at the banner's "Enable Login Item" only while the banner shows it.
QString graphicsNote(bool loginItemEnabled = false);
QString networkLine(const SystemSnapshot& s);

// ---- Memory card ----
// Used over total, at most 100; 0 without a total.
double memoryPercent(const SystemSnapshot& s);
// Used plus half the compressed memory over total, at most 100; 0 without a total.
double memoryPressure(const SystemSnapshot& s);
QString memoryRingLabel(const SystemSnapshot& s);
QString swapLine(const SystemSnapshot& s);
struct LegendRow {
    std::optional<QColor> dot;  // none: the theme's accent
    QString label;
    QString value;
    friend bool operator==(const LegendRow&, const LegendRow&) = default;
};
// Wired, App, Compressed, Cached.
QList<LegendRow> legendRows(const SystemSnapshot& s);

// ---- Storage card ----
// The trimmed SSD name when it is a real Apple SSD name, else "Storage".
QString storageDriveDisplayName(const SystemSnapshot& s);
// The media name under the title, when the title is a drive's own name and
// the media name is set and differs from it (letter case aside).
std::optional<QString> storageMediaLine(const SystemSnapshot& s, const QString& title);
double diskPercent(const SystemSnapshot& s);
QString storageUsedLine(const SystemSnapshot& s);
QString storageAvailableLine(const SystemSnapshot& s);

// ---- Battery card ----
QString chargeLine(const SystemSnapshot& s);
QString powerLine(const SystemSnapshot& s);
QString healthLine(const SystemSnapshot& s);
std::optional<QString> temperatureLine(const SystemSnapshot& s);

// ---- Process lists ----
struct ProcessRow {
    std::int32_t pid = 0;
    QString name;
    QString value;
    friend bool operator==(const ProcessRow&, const ProcessRow&) = default;
};
inline constexpr qsizetype processRowCount = 5;
// The first five processes, with their processor share or their memory.
QList<ProcessRow> processRows(const QList<LiveProcess>& processes, bool showCPU);

} // namespace systemcardtexts
} // namespace tw
