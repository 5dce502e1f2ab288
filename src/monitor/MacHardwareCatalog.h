#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace tw {

struct MacModelInfo {
    QString family;                      // "MacBook Pro", "Mac mini", ...
    std::optional<double> screenInches;  // absent for Macs without a built-in screen
    int introYear = 0;

    // "MacBook Pro (14-inch, 2021)", "iMac (21.5-inch, 2017)", "Mac mini (2023)".
    QString displayTitle() const;
    friend bool operator==(const MacModelInfo&, const MacModelInfo&) = default;
};

// Model identifiers ("MacBookPro18,3") to families, screen sizes and years.
namespace machardwarecatalog {

using Table = QHash<QString, QString>;

// The two resource lists: model identifier (or its text before the comma) to
// model number, and to release date ("October 26, 2021").
struct DivadaTables {
    Table modelNumbers;
    Table releaseDates;
};

const QHash<QString, MacModelInfo>& catalog();

// The lists shipped among the program's resources, loaded once.
const DivadaTables& divadaTables();
inline const Table& divadaModelNumbers() { return divadaTables().modelNumbers; }
inline const Table& divadaReleaseDates() { return divadaTables().releaseDates; }

// "<folder><name>.plist" read as a dictionary of strings (an array of strings
// gives its first one); a missing, unreadable or malformed list is empty.
Table loadDivadaPlist(const QString& name, const QString& folder = QStringLiteral(":/"));
Table divadaTableFrom(const QByteArray& propertyList);

// The identifier trimmed, then its text before the first comma.
std::optional<QString> divadaValue(const Table& table, const QString& identifier);
std::optional<MacModelInfo> lookup(const QString& identifier);

std::optional<double> screenInches(const QString& modelNumber);
std::optional<double> nearestMarketingInches(std::optional<double> diagonal);

// "October 26, 2021" becomes "26 October, 2021"; any other text comes back trimmed.
QString formatReleaseDateDivadaStyle(const QString& text);
// The year of a release date in either of those two forms.
std::optional<int> introYear(const QString& releaseText);

// currentYear: the year given to an unknown model; this year when absent.
std::optional<MacModelInfo> resolve(const QString& identifier, const QString& familyFallback,
                                    std::optional<double> measuredDiagonalInches,
                                    const DivadaTables& tables = divadaTables(),
                                    std::optional<int> currentYear = std::nullopt);

} // namespace machardwarecatalog
} // namespace tw
