#include "monitor/MacHardwareCatalog.h"

#include "platform/Format.h"
#include "platform/PropertyList.h"

#include <QDate>
#include <QFile>
#include <QLocale>

#include <cmath>

namespace tw {

QString MacModelInfo::displayTitle() const
{
    const QString year = QString::number(introYear);
    if (!screenInches)
        return family + QStringLiteral(" (") + year + u')';
    const double inches = *screenInches;
    const QString size = cFormat(std::floor(inches) == inches ? "%.0f" : "%.1f", inches);
    return family + QStringLiteral(" (") + size + QStringLiteral("-inch, ") + year + u')';
}

namespace machardwarecatalog {

namespace {

struct Row {
    const char* family;
    double inches;  // 0: no built-in screen
    int year;
    const char* identifiers;  // separated by blanks
};

constexpr Row kRows[] = {
    {"MacBook Pro", 13, 2012, "MacBookPro9,2 MacBookPro10,2"},
    {"MacBook Pro", 15, 2012, "MacBookPro9,1 MacBookPro10,1"},
    {"MacBook Pro", 13, 2013, "MacBookPro11,1"},
    {"MacBook Pro", 15, 2013, "MacBookPro11,2 MacBookPro11,3"},
    {"MacBook Pro", 13, 2015, "MacBookPro12,1"},
    {"MacBook Pro", 15, 2015, "MacBookPro11,4 MacBookPro11,5"},
    {"MacBook Pro", 13, 2016, "MacBookPro13,1 MacBookPro13,2"},
    {"MacBook Pro", 15, 2016, "MacBookPro13,3"},
    {"MacBook Pro", 13, 2017, "MacBookPro14,1 MacBookPro14,2"},
    {"MacBook Pro", 15, 2017, "MacBookPro14,3"},
    {"MacBook Pro", 13, 2018, "MacBookPro15,2"},
    {"MacBook Pro", 15, 2018, "MacBookPro15,1 MacBookPro15,3"},
    {"MacBook Pro", 13, 2019, "MacBookPro15,4"},
    {"MacBook Pro", 16, 2019, "MacBookPro16,1"},
    {"MacBook Pro", 13, 2020, "MacBookPro16,2 MacBookPro16,3 MacBookPro17,1"},
    {"MacBook Pro", 16, 2020, "MacBookPro16,4"},
    {"MacBook Pro", 14, 2021, "MacBookPro18,3 MacBookPro18,4"},
    {"MacBook Pro", 16, 2021, "MacBookPro18,1 MacBookPro18,2"},
    {"MacBook Pro", 13, 2022, "Mac14,7"},
    {"MacBook Pro", 14, 2023, "Mac14,5 Mac14,9 Mac14,10 Mac15,3 Mac15,6"},
    {"MacBook Pro", 16, 2023, "Mac14,6 Mac15,7 Mac15,8 Mac15,9 Mac15,10 Mac15,11"},
    {"MacBook Pro", 14, 2024, "Mac16,1 Mac16,2 Mac16,3 Mac16,5"},
    {"MacBook Pro", 16, 2024, "Mac16,4 Mac16,6 Mac16,7 Mac16,8"},
    {"MacBook Pro", 14, 2026, "Mac17,3 Mac17,6 Mac17,8"},
    {"MacBook Pro", 16, 2026, "Mac17,4 Mac17,7 Mac17,9"},
    {"MacBook Air", 11, 2012, "MacBookAir4,2 MacBookAir5,1"},
    {"MacBook Air", 13, 2012, "MacBookAir5,2"},
    {"MacBook Air", 11, 2013, "MacBookAir6,1"},
    {"MacBook Air", 13, 2013, "MacBookAir6,2"},
    {"MacBook Air", 11, 2015, "MacBookAir7,1"},
    {"MacBook Air", 13, 2015, "MacBookAir7,2"},
    {"MacBook Air", 13, 2018, "MacBookAir8,1"},
    {"MacBook Air", 13, 2019, "MacBookAir8,2"},
    {"MacBook Air", 13, 2020, "MacBookAir9,1 MacBookAir10,1"},
    {"MacBook Air", 13, 2022, "Mac14,2"},
    {"MacBook Air", 15, 2023, "Mac14,15"},
    {"MacBook Air", 13, 2024, "Mac15,12"},
    {"MacBook Air", 15, 2024, "Mac15,13"},
    {"MacBook Air", 13, 2025, "Mac16,12"},
    {"MacBook Air", 15, 2025, "Mac15,14 Mac16,13"},
    {"MacBook", 12, 2015, "MacBook8,1"},
    {"MacBook", 12, 2016, "MacBook9,1"},
    {"MacBook", 12, 2017, "MacBook10,1"},
    {"iMac", 21.5, 2012, "iMac13,1"},
    {"iMac", 27, 2012, "iMac13,2"},
    {"iMac", 21.5, 2013, "iMac14,1"},
    {"iMac", 27, 2013, "iMac14,2"},
    {"iMac", 21.5, 2014, "iMac14,3 iMac14,4"},
    {"iMac", 27, 2014, "iMac15,1"},
    {"iMac", 21.5, 2015, "iMac16,1 iMac16,2"},
    {"iMac", 27, 2015, "iMac17,1"},
    {"iMac", 21.5, 2017, "iMac18,1 iMac18,2"},
    {"iMac", 27, 2017, "iMac18,3"},
    {"iMac", 27, 2019, "iMac19,1 iMac19,2"},
    {"iMac", 27, 2020, "iMac20,1 iMac20,2"},
    {"iMac", 24, 2021, "iMac21,1 iMac21,2"},
    {"iMac", 24, 2024, "Mac15,4 Mac15,5"},
    {"iMac", 24, 2026, "Mac17,5"},
    {"iMac Pro", 27, 2017, "iMacPro1,1"},
    {"Mac mini", 0, 2012, "Macmini6,1 Macmini6,2"},
    {"Mac mini", 0, 2014, "Macmini7,1"},
    {"Mac mini", 0, 2018, "Macmini8,1"},
    {"Mac mini", 0, 2020, "Macmini9,1"},
    {"Mac mini", 0, 2023, "Mac14,3 Mac14,12"},
    {"Mac mini", 0, 2024, "Mac16,10 Mac16,11"},
    {"Mac Studio", 0, 2022, "Mac13,1 Mac13,2"},
    {"Mac Studio", 0, 2023, "Mac14,13 Mac14,14"},
    {"Mac Studio", 0, 2025, "Mac16,9 Mac17,2"},
    {"Mac Pro", 0, 2012, "MacPro5,1"},
    {"Mac Pro", 0, 2013, "MacPro6,1"},
    {"Mac Pro", 0, 2019, "MacPro7,1"},
    {"Mac Pro", 0, 2023, "Mac14,8"},
    {"Mac Pro Display XDR", 0, 2020, "ADP3,2"},
};

struct ScreenRow {
    double inches;
    const char* modelNumbers;  // separated by blanks
};

constexpr ScreenRow kScreens[] = {
    {16, "A2485 A2141 A1990 A2780 A2991 A3186 A2786 A2787"},
    {14, "A2442 A2779 A2918 A3112 A2992 A3403 A3401"},
    {13, "A2338 A2251 A2289 A2159 A1989 A1708 A1706 A1707 A1502 A1425 A1278 A1932 A2179 A2337 A2681"},
    {15, "A1398 A1286 A2941 A3113 A3114 A3389"},
    {12, "A1534"},
    {24, "A2874 A2873 A2438 A2439"},
    {27, "A2115 A2116 A1419"},
    {21.5, "A1418"},
};

constexpr double kMarketingSizes[] = {11, 12, 13, 14, 15, 16, 17, 21.5, 24, 27};

// Table lookup by the trimmed key, then by its text before the first comma.
template <typename Map>
const typename Map::mapped_type* find(const Map& map, const QString& identifier)
{
    const QString key = identifier.trimmed();
    if (key.isEmpty())
        return nullptr;
    auto it = map.constFind(key);
    if (it == map.constEnd()) {
        const qsizetype comma = key.indexOf(u',');
        if (comma < 0)
            return nullptr;
        it = map.constFind(key.left(comma));
        if (it == map.constEnd())
            return nullptr;
    }
    return &it.value();
}

const QLocale& posixLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

const QString kLongForm = QStringLiteral("MMMM d, yyyy");   // October 26, 2021
const QString kDayFirst = QStringLiteral("d MMMM, yyyy");   // 26 October, 2021

} // namespace

const QHash<QString, MacModelInfo>& catalog()
{
    static const QHash<QString, MacModelInfo> table = [] {
        QHash<QString, MacModelInfo> t;
        for (const Row& row : kRows) {
            const MacModelInfo info{QString::fromLatin1(row.family),
                                    row.inches > 0 ? std::optional<double>(row.inches) : std::nullopt, row.year};
            for (const QString& id : QString::fromLatin1(row.identifiers).split(u' '))
                t.insert(id, info);
        }
        return t;
    }();
    return table;
}

Table divadaTableFrom(const QByteArray& propertyList)
{
    Table out;
    const auto root = plist::parse(propertyList);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return out;
    const QVariantMap map = root->toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QVariant& v = it.value();
        if (v.typeId() == QMetaType::QString) {
            out.insert(it.key(), v.toString());
        } else if (v.typeId() == QMetaType::QVariantList) {
            const QVariantList list = v.toList();
            if (!list.isEmpty() && list.first().typeId() == QMetaType::QString)
                out.insert(it.key(), list.first().toString());
        }
    }
    return out;
}

Table loadDivadaPlist(const QString& name, const QString& folder)
{
    constexpr qint64 kMaxBytes = 4 << 20;
    QFile file(folder + name + QStringLiteral(".plist"));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxBytes)
        return {};
    return divadaTableFrom(file.read(kMaxBytes));
}

const DivadaTables& divadaTables()
{
    static const DivadaTables tables{loadDivadaPlist(QStringLiteral("DivadaModelNumbers")),
                                     loadDivadaPlist(QStringLiteral("DivadaReleaseDates"))};
    return tables;
}

std::optional<QString> divadaValue(const Table& table, const QString& identifier)
{
    if (const QString* v = find(table, identifier))
        return *v;
    return std::nullopt;
}

std::optional<MacModelInfo> lookup(const QString& identifier)
{
    if (const MacModelInfo* info = find(catalog(), identifier))
        return *info;
    return std::nullopt;
}

std::optional<double> screenInches(const QString& modelNumber)
{
    static const QHash<QString, double> sizes = [] {
        QHash<QString, double> t;
        for (const ScreenRow& row : kScreens) {
            for (const QString& number : QString::fromLatin1(row.modelNumbers).split(u' '))
                t.insert(number, row.inches);
        }
        return t;
    }();
    const QString number = modelNumber.trimmed().toUpper();
    if (number.size() < 2 || !number.startsWith(u'A'))
        return std::nullopt;
    const auto it = sizes.constFind(number);
    return it == sizes.constEnd() ? std::nullopt : std::optional<double>(*it);
}

std::optional<double> nearestMarketingInches(std::optional<double> diagonal)
{
    if (!diagonal || !(*diagonal > 0))
        return std::nullopt;
    double best = kMarketingSizes[0];
    for (const double size : kMarketingSizes) {
        if (std::abs(size - *diagonal) < std::abs(best - *diagonal))
            best = size;
    }
    return best;
}

QString formatReleaseDateDivadaStyle(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QDate date = posixLocale().toDate(trimmed, kLongForm);
    if (!date.isValid())
        return trimmed;
    static const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    return british.toString(date, kDayFirst);
}

std::optional<int> introYear(const QString& releaseText)
{
    const QString trimmed = releaseText.trimmed();
    QDate date = posixLocale().toDate(trimmed, kLongForm);
    if (!date.isValid())
        date = posixLocale().toDate(trimmed, kDayFirst);
    return date.isValid() ? std::optional<int>(date.year()) : std::nullopt;
}

std::optional<MacModelInfo> resolve(const QString& identifier, const QString& familyFallback,
                                    std::optional<double> measuredDiagonalInches, const DivadaTables& tables,
                                    std::optional<int> currentYear)
{
    const std::optional<QString> modelNumber = divadaValue(tables.modelNumbers, identifier);
    const std::optional<double> modelInches = modelNumber ? screenInches(*modelNumber) : std::nullopt;
    std::optional<int> plistYear;
    if (const auto release = divadaValue(tables.releaseDates, identifier))
        plistYear = introYear(formatReleaseDateDivadaStyle(*release));

    if (const auto entry = lookup(identifier)) {
        std::optional<double> inches;
        if (entry->screenInches)
            inches = modelInches ? modelInches : entry->screenInches;
        else
            inches = modelInches ? modelInches : nearestMarketingInches(measuredDiagonalInches);
        return MacModelInfo{entry->family, inches, plistYear.value_or(entry->introYear)};
    }
    const std::optional<double> inches = modelInches ? modelInches : nearestMarketingInches(measuredDiagonalInches);
    if (!inches)
        return std::nullopt;
    const int year = plistYear ? *plistYear : currentYear ? *currentYear : QDate::currentDate().year();
    return MacModelInfo{familyFallback, inches, year};
}

} // namespace machardwarecatalog
} // namespace tw
