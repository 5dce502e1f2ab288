#include "monitor/AppleSerialDecoder.h"

#include <QHash>
#include <QLocale>

#include <limits>

namespace tw::appleserialdecoder {

namespace {

struct Plant {
    const char16_t* origin;
    const char* codes;  // separated by blanks
};

constexpr Plant kPlants[] = {
    {u"Tech Com – Quanta Computer, Shanghai, China", "C02 CK2"},
    {u"Foxconn, Shenzhen, China", "C03"},
    {u"Quanta Computer, Shanghai, China",
     "C07 C08 C0M C0N C0W C17 C1M C1N C2Q "
     "C3K C3L C3M C3N C3P C3Q C3R C3S C3T C3U C3V C3W C3X C3Y C3Z "
     "C4H C4M C4N C4P C4Q C4R C4S C4T C4U C4V C4W C4X C4Y C4Z "
     "C5K C5L C5M C5N C5P C5Q C5R C5S C5T C5U C5V C5W C5X C5Y C5Z "
     "C6K C6L C6M C6N C6P C6Q C6R C6S C6T C6U C6V C6W C6X C6Y C6Z "
     "C7K C7L C7M C7N C7P C7Q C7R C7S C7T C7U C7V C7W C7X C7Y C7Z DL2"},
    {u"Pegatron, Shanghai, China", "C0P G8V H9W H9X H9Y H9Z J1K J2K J3K J4K J5K J6K J7K J8K J9K"},
    {u"Quanta Computer, Chongqing, China", "C0V"},
    {u"Quanta Computer, Chengdu, China", "C0X"},
    {u"Hon Hai (Foxconn), Shenzhen, China",
     "C0Y YM0 YM1 YM2 YM3 YM4 YM5 YM6 YM7 YM8 YM9 "
     "YNA YNB YNC YND YNE YNF YNG YNH YNJ YNK YNL YNM YNN YNP YNQ YNR YNS YNT YNU YNV YNW YNX YNY YNZ"},
    {u"Foxconn, Zhengzhou, China", "F5K F5Y"},
    {u"Foxconn – Hon Hai, Zhengzhou, China", "FK1 FK2 FK3"},
    {u"Quanta Computer, Fremont, CA, USA",
     "W87 W88 W89 W8A W8B W8C W8D W8E W8F W8G W8H W8J W8K W8L W8M W8N W8P W8Q W8R W8S W8T W8U W8V W8W W8X W8Y W8Z"},
};

// The year letters, 2010 onwards.
constexpr char16_t kYearLetters[] = u"CDFGHJKLMNPQRSTVWXYZ";
constexpr char16_t kBase34Digits[] = u"0123456789CDFGHJKLMNPQRSTVWXYZ";

const QHash<QString, QString>& plantNames()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Plant& plant : kPlants) {
            const QString origin = QString::fromUtf16(plant.origin);
            for (const QString& code : QString::fromLatin1(plant.codes).split(u' '))
                t.insert(code, origin);
        }
        return t;
    }();
    return table;
}

std::optional<int> yearOf(QChar c)
{
    const int i = QStringView(kYearLetters).indexOf(c);
    return i < 0 ? std::nullopt : std::optional<int>(2010 + i);
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Two decimal digits spelling a week, 1 to 53.
std::optional<int> decimalWeek(QChar tens, QChar units)
{
    if (!isDigit(tens) || !isDigit(units))
        return std::nullopt;
    const int week = (tens.unicode() - u'0') * 10 + (units.unicode() - u'0');
    return week >= 1 && week <= 53 ? std::optional<int>(week) : std::nullopt;
}

// Weeks are numbered as ISO 8601 does: week 1 holds the year's first
// Thursday, and a week 53 the year lacks runs on into the next.
QDate mondayOfWeek(int year, int week)
{
    const QDate jan4(year, 1, 4);
    return jan4.addDays(1 - jan4.dayOfWeek() + 7 * (week - 1));
}

} // namespace

std::optional<int> decodeBase34(QStringView digits)
{
    qint64 value = 0;
    for (const QChar c : digits) {
        const qsizetype digit = QStringView(kBase34Digits).indexOf(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 34 + digit;
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    return int(value);
}

std::optional<ManufactureTiming> manufactureTiming(QStringView s)
{
    if (s.size() < 6)
        return std::nullopt;
    if (s.size() > 6) {
        const auto year = yearOf(s[4]);
        const auto week = decimalWeek(s[5], s[6]);
        if (year && week)
            return ManufactureTiming{*year, *week};
    }
    const auto year = yearOf(s[3]);
    if (!year)
        return std::nullopt;
    std::optional<int> week = decimalWeek(s[4], s[5]);
    if (!week) {
        week = decodeBase34(s.sliced(4, 2));
        if (!week || *week < 1 || *week > 53)
            return std::nullopt;
    }
    return ManufactureTiming{*year, *week};
}

std::optional<QString> origin(const QString& plantCode)
{
    const QString code = plantCode.toUpper();
    auto it = plantNames().constFind(code);
    if (it == plantNames().constEnd() && code.startsWith(QLatin1String("C0")))
        it = plantNames().constFind(code.left(3));
    return it == plantNames().constEnd() ? std::nullopt : std::optional<QString>(*it);
}

std::optional<Decoded> decode(const QString& serial)
{
    const QString s = serial.trimmed().toUpper();
    if (s.size() < 11)
        return std::nullopt;
    Decoded out;
    out.plantCode = s.left(3);
    out.origin = origin(out.plantCode);
    const auto timing = manufactureTiming(s);
    if (!timing)
        return out.origin ? std::optional<Decoded>(out) : std::nullopt;
    // Midnight UTC of that Monday, printed as the UTC day: the local time zone
    // would show the Sunday before everywhere west of Greenwich.
    const QDate monday = mondayOfWeek(timing->year, timing->week);
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    out.manufactureDate = QDateTime(monday, QTime(0, 0), Qt::UTC);
    out.manufactureDateDisplay = english.toString(monday, QStringLiteral("MMMM d, yyyy"));
    return out;
}

} // namespace tw::appleserialdecoder
