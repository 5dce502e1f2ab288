#include "monitor/MonitorFormat.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tw;

namespace {

struct Row {
    double value;
    const char16_t* text;
};

template <typename F, std::size_t N>
void expectTexts(F format, const Row (&rows)[N])
{
    for (const Row& row : rows)
        EXPECT_EQ(format(row.value), QString::fromUtf16(row.text)) << "for " << row.value;
}

} // namespace

TEST(MonitorFormat, CountsMemoryInPowersOf1024)
{
    const Row rows[] = {
        {0, u"0 bytes"},          {1023, u"1023 bytes"},           {1024, u"0.0 MB"},
        {52428, u"0.0 MB"},       {52429, u"0.1 MB"},              {1073741823, u"1024.0 MB"},
        {1073741824, u"1.00 GB"}, {17179869184.0, u"16.00 GB"},
    };
    expectTexts([](double v) { return monitorformat::memory(std::uint64_t(v)); }, rows);
    EXPECT_EQ(monitorformat::memory(std::numeric_limits<std::uint64_t>::max()), "17179869184.00 GB");
}

TEST(MonitorFormat, CountsDiskBytesInPowersOf1000WithPrintfTies)
{
    const Row rows[] = {
        {999, u"999 bytes"},  {1000, u"1 KB"},          {1500, u"2 KB"},           {2500, u"2 KB"},
        {3500, u"4 KB"},      {999499, u"999 KB"},      {999500, u"1000 KB"},      {1000000, u"1.0 MB"},
        {999999999, u"1000.0 MB"}, {1000000000, u"1.00 GB"}, {2e12, u"2000.00 GB"},
    };
    expectTexts([](double v) { return monitorformat::disk(std::uint64_t(v)); }, rows);
}

TEST(MonitorFormat, SnapsCapacitiesToHalfTerabytesFromNinetyFivePercentOfOne)
{
    const Row rows[] = {
        {0, u"\u2014"},
        {999999999, u"1000.0 MB"},
        {500277790720, u"500.28 GB"},
        {949999999999, u"950.00 GB"},
        {950000000000, u"1 TB"},
        {994662584320, u"1 TB"},
        {1200000000000, u"1 TB"},
        {1250000000000, u"1.5 TB"},  // 2.5 halves rounds away from zero
        {3750000000000, u"4 TB"},
        {999, u"999 bytes"},
    };
    expectTexts([](double v) { return monitorformat::storageCapacity(std::uint64_t(v)); }, rows);
}

TEST(MonitorFormat, RatesRoundHalvesAwayFromZeroAndNeverFailOnStrangeValues)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {0.4, u"0 bytes/s"},    {-5, u"0 bytes/s"},     {999.4, u"999 bytes/s"}, {999.5, u"1 KB/s"},
        {1499.5, u"2 KB/s"},    {2500, u"2 KB/s"},      {3500, u"4 KB/s"},       {123.5e6, u"123.5 MB/s"},
        {std::nan(""), u"0 bytes/s"}, {-inf, u"0 bytes/s"}, {-0.0, u"0 bytes/s"},
        // 2^64 and beyond read as the largest count.
        {18446744073709551616.0, u"18446744073.71 GB/s"}, {inf, u"18446744073.71 GB/s"}, {1e300, u"18446744073.71 GB/s"},
    };
    expectTexts(monitorformat::perSecond, rows);
}

TEST(MonitorFormat, UptimeShowsMinutesThenHoursThenDays)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {59.9, u"Up 0m"},         {3599, u"Up 59m"},        {3600, u"Up 1h 0m"},       {3660, u"Up 1h 1m"},
        {86399, u"Up 23h 59m"},   {86400, u"Up 1d 0h"},     {90061, u"Up 1d 1h"},      {1000000, u"Up 11d 13h"},
        {std::nan(""), u"Up 0m"}, {-3600, u"Up 0m"},        {-inf, u"Up 0m"},
        {inf, u"Up 213503982334601d 7h"},  // the largest count of seconds
    };
    expectTexts(uptimeText, rows);
}
