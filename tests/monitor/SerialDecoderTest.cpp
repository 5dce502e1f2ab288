#include "monitor/AppleSerialDecoder.h"
#include "support/Printers.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ctime>

using namespace tw;
namespace serial = tw::appleserialdecoder;

namespace tw::appleserialdecoder {
void PrintTo(const ManufactureTiming& t, std::ostream* os) { *os << t.year << " week " << t.week; }
} // namespace tw::appleserialdecoder

namespace {

QDateTime utcMidnight(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC); }

// Sets the process time zone for one test.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* tz) : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", tz);
        tzset();
    }
    ~TimeZoneScope()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
};

} // namespace

TEST(SerialDecoder, ReadsFactoryAndWeekFromNormalisedSerials)
{
    const auto d = serial::decode("C02FP12ABCDE");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->plantCode, "C02");
    EXPECT_EQ(d->origin, "Tech Com – Quanta Computer, Shanghai, China");
    EXPECT_EQ(d->manufactureDate, utcMidnight(2020, 3, 16));  // Monday of week 12 of 2020
    EXPECT_EQ(d->manufactureDateDisplay, "March 16, 2020");
    EXPECT_EQ(serial::decode(" c02fp12abcde\n"), d);

    EXPECT_EQ(serial::decode("W8QJ01ZZZZZ")->origin, "Quanta Computer, Fremont, CA, USA");
    EXPECT_EQ(serial::decode("C02FP12ABC"), std::nullopt);  // ten characters
    EXPECT_EQ(serial::decode(" \n "), std::nullopt);
}

TEST(SerialDecoder, KeepsWhateverHalfItCanRead)
{
    // Unknown plant, readable week: a date without an origin.
    const auto unknownPlant = serial::decode("ZZZ0P12XXXX");
    ASSERT_TRUE(unknownPlant);
    EXPECT_EQ(unknownPlant->origin, std::nullopt);
    EXPECT_EQ(unknownPlant->manufactureDateDisplay, "March 16, 2020");
    // Known plant, no year letter in either place: an origin without a date.
    const auto noWeek = serial::decode("C02A0AAXXXX");
    ASSERT_TRUE(noWeek);
    EXPECT_EQ(noWeek->origin, "Tech Com – Quanta Computer, Shanghai, China");
    EXPECT_EQ(noWeek->manufactureDate, std::nullopt);
    EXPECT_EQ(noWeek->manufactureDateDisplay, std::nullopt);
    EXPECT_EQ(serial::decode("ZZZA0AAXXXX"), std::nullopt);
}

TEST(SerialDecoder, ReadsWeeksInEitherFormDecimalFirstThenBase34)
{
    using T = serial::ManufactureTiming;
    const std::pair<const char*, std::optional<T>> cases[] = {
        {"C02FP12", T{2020, 12}},   // first form: c4 year, c5 c6 decimal week
        {"C02QC12", T{2010, 12}},   // first form wins over c3's year
        {"C02QC1X", std::nullopt},  // c6 a letter: second form, "C1" is week 341
        {"C02C01", T{2010, 1}},     // six characters: second form only
        {"C02Z53", T{2029, 53}},
        {"C02Q1C", T{2021, 44}},    // base 34
        {"C02Q0Z", T{2021, 29}},
        {"C02Q00", std::nullopt},
        {"C02Q54", std::nullopt},   // 174 in base 34
        {"C02Q99", std::nullopt},
        {"C02Q1A", std::nullopt},   // A is no base-34 digit
        {"C02A01", std::nullopt},   // A, B, E, I, O, U and digits have no year
        {"C02E01", std::nullopt},
        {"C02101", std::nullopt},
        {"C02Q1", std::nullopt},
    };
    for (const auto& [s, timing] : cases)
        EXPECT_EQ(serial::manufactureTiming(QString::fromLatin1(s)), timing) << s;

    // The year letters run without gaps.
    const QString letters = QStringLiteral("CDFGHJKLMNPQRSTVWXYZ");
    for (int i = 0; i < letters.size(); ++i)
        EXPECT_EQ(serial::manufactureTiming(QStringLiteral("C02") + letters[i] + QStringLiteral("01"))->year, 2010 + i);

    EXPECT_EQ(serial::decode("C02Q1CXXXXX")->manufactureDateDisplay, "November 1, 2021");
}

TEST(SerialDecoder, Base34AndPlantTable)
{
    const std::pair<const char*, std::optional<int>> digits[] = {
        {"1C", 44}, {"0Z", 29}, {"", 0}, {"ZZ", 1015}, {"1A", std::nullopt}, {"c1", std::nullopt},
    };
    for (const auto& [s, value] : digits)
        EXPECT_EQ(serial::decodeBase34(QString::fromLatin1(s)), value) << s;

    const std::pair<const char*, std::optional<QString>> plants[] = {
        {"c0x", "Quanta Computer, Chengdu, China"},
        {"C0XYZ", "Quanta Computer, Chengdu, China"},  // longer codes beginning with C0 fall back to three characters
        {"W8QAB", std::nullopt},
        {"DL2", "Quanta Computer, Shanghai, China"},
        {"C7Z", "Quanta Computer, Shanghai, China"},
        {"J9K", "Pegatron, Shanghai, China"},
        {"YNZ", "Hon Hai (Foxconn), Shenzhen, China"},
        {"C0Y", "Hon Hai (Foxconn), Shenzhen, China"},
        {"FK2", "Foxconn – Hon Hai, Zhengzhou, China"},
        {"F5Y", "Foxconn, Zhengzhou, China"},
        {"C03", "Foxconn, Shenzhen, China"},
        {"C0V", "Quanta Computer, Chongqing, China"},
        {"CK2", "Tech Com – Quanta Computer, Shanghai, China"},
        {"W87", "Quanta Computer, Fremont, CA, USA"},
        {"C09", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [code, origin] : plants)
        EXPECT_EQ(serial::origin(QString::fromLatin1(code)), origin) << code;
}

TEST(SerialDecoder, PrintsTheMondayWestOfGreenwichToo)
{
    const bool zoneFiles = QFile::exists(QStringLiteral("/usr/share/zoneinfo/America/New_York"));
    const TimeZoneScope newYork(zoneFiles ? "America/New_York" : "EST5EDT,M3.2.0,M11.1.0");
    // Midnight UTC is still Sunday evening in New York.
    ASSERT_EQ(utcMidnight(2020, 3, 16).toLocalTime().date(), QDate(2020, 3, 15));
    const auto d = serial::decode("C02FP12ABCDE");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->manufactureDateDisplay, "March 16, 2020");
    EXPECT_EQ(d->manufactureDate, utcMidnight(2020, 3, 16));
}
