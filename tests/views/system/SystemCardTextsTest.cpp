#include "state/Colour.h"
#include "views/system/SystemCardTexts.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tw;
namespace T = tw::systemcardtexts;

namespace {

constexpr std::uint64_t GiB = 1073741824ull;

SystemSnapshot blank()
{
    SystemSnapshot s;
    s.memoryTotal = 0;
    return s;
}

std::string str(const QString& s)
{
    return s.toStdString();
}

} // namespace

TEST(SystemCardTexts, BannerNamesTheProductInBothForms)
{
    const T::Banner off = T::banner(false);
    EXPECT_EQ(off.symbol, "person.badge.key.fill");
    EXPECT_EQ(off.title, "Login Item permission needed");
    EXPECT_EQ(off.message, "Tidewell needs Login Item / Background Items approval for full monitoring. "
                           "Enable it so System keeps updating.");
    EXPECT_EQ(off.button, "Enable Login Item");
    EXPECT_TRUE(off.prominent);
    const T::Banner on = T::banner(true);
    EXPECT_EQ(on.symbol, "checkmark.seal.fill");
    EXPECT_EQ(on.title, "Background monitoring enabled");
    EXPECT_EQ(on.message, "Live System dashboard can keep sampling while Tidewell stays in the background.");
    EXPECT_EQ(on.button, "Open Settings");
    EXPECT_FALSE(on.prominent);
}

TEST(SystemCardTexts, MachineRowsShowDashesOnlyWhereTheyAreDue)
{
    SystemSnapshot s = blank();
    s.machineModel = QStringLiteral(" a2442 \n");
    s.memoryTotal = 16 * GiB;
    s.diskTotal = 500277790720ull;
    s.marketingTitle = QStringLiteral("MacBook Pro (14-inch, 2021)");
    s.modelYear = 2019;
    const QList<T::SpecRow> left{{"Model", "A2442"},
                                 {"Serial number", "\u2014"},
                                 {"Release date", "\u2014"},
                                 {"Manufacture date", ""},
                                 {"Origin", ""}};
    EXPECT_EQ(T::leftSpecRows(s), left);
    const QList<T::SpecRow> right{{"Identifier", "\u2014"},
                                  {"Processor", "\u2014"},
                                  {"Graphics", "\u2014"},
                                  {"Memory", "16.00 GB"},
                                  {"Storage", "500.28 GB"}};
    EXPECT_EQ(T::rightSpecRows(s), right);
    EXPECT_EQ(T::yearBadge(s), QStringLiteral("2019"));

    s.machineModel = QStringLiteral("   ");
    s.serialNumber = QStringLiteral("C02XX0XXJG5J");
    s.releaseDate = QStringLiteral("October 2021");
    s.manufactureDate = QStringLiteral("2021-11-08");
    s.origin = QStringLiteral("Shanghai, China");
    s.modelIdentifier = QStringLiteral("MacBookPro18,3");
    s.chipName = QStringLiteral("Apple M1 Pro");
    s.graphicsName = QStringLiteral(" ");  // blanks are shown as they are
    s.diskTotal = 0;
    s.modelYear.reset();
    EXPECT_EQ(T::formattedModelNumber(s), "\u2014");
    const QList<T::SpecRow> filledLeft{{"Model", "\u2014"},
                                       {"Serial number", "C02XX0XXJG5J"},
                                       {"Release date", "October 2021"},
                                       {"Manufacture date", "2021-11-08"},
                                       {"Origin", "Shanghai, China"}};
    EXPECT_EQ(T::leftSpecRows(s), filledLeft);
    EXPECT_EQ(T::rightSpecRows(s)[0].value, "MacBookPro18,3");
    EXPECT_EQ(T::rightSpecRows(s)[2].value, " ");
    EXPECT_EQ(T::rightSpecRows(s)[4].value, "\u2014");
    EXPECT_EQ(T::yearBadge(s), std::nullopt);
}

TEST(SystemCardTexts, ProcessorAndGraphicsTexts)
{
    SystemSnapshot s = blank();
    s.cpuPercent = 37.4;
    s.load1 = 1.5;
    s.load5 = 2;
    s.load15 = 2.25;
    s.cpuUser = 12.34;
    s.cpuSystem = 5.5;
    s.cpuIdle = 82.16;
    s.processCount = 412;
    s.threadCount = 1873;
    EXPECT_EQ(T::processorRingLabel(s), "37% CPU");
    EXPECT_EQ(T::loadLine(s), "Load  1.50  \u00b7  2.00  \u00b7  2.25");
    EXPECT_EQ(T::processorSplitLine(s), "User 12.3%  System 5.5%  Idle 82.2%");
    EXPECT_EQ(T::processCountLine(s), "412 processes \u00b7 1873 threads");
    EXPECT_EQ(T::processorTitle(s), "CPU");
    EXPECT_EQ(T::graphicsTitle(s), "GPU");
    EXPECT_EQ(T::chipLine(s), "Chip: \u2014");
    EXPECT_EQ(T::networkLine(s), "\u2193 0 bytes/s  \u2191 0 bytes/s");
    EXPECT_EQ(T::graphicsNote(), "Precise GPU load and sensor temperatures need a login-item helper. Enable Login "
                                 "Item above for background monitoring with Tidewell.");

    s.chipName = QStringLiteral("Apple M2 Pro");
    s.graphicsName = QStringLiteral(" ");
    s.networkInPerSec = 123456789;
    s.networkOutPerSec = 999.5;
    EXPECT_EQ(T::processorTitle(s), "Apple M2 Pro");
    EXPECT_EQ(T::graphicsTitle(s), " ");
    EXPECT_EQ(T::chipLine(s), "Chip:  ");
    EXPECT_EQ(T::networkLine(s), "\u2193 123.5 MB/s  \u2191 1 KB/s");
}

TEST(SystemCardTexts, MemoryPressureAndItsColour)
{
    struct Case {
        std::uint64_t total, used, compressed;
        double percent, pressure;
        const char* label;
        QColor colour;
    };
    const QColor high = rgb(0.86, 0.24, 0.22), medium = rgb(0.93, 0.55, 0.16), low = rgb(0.18, 0.68, 0.36);
    const Case cases[] = {
        {16 * GiB, 8 * GiB, 4 * GiB, 50, 62.5, "50% RAM", medium},
        {16 * GiB, 12 * GiB, 4 * GiB, 75, 87.5, "75% RAM", high},
        {16 * GiB, 16 * GiB, 4 * GiB, 100, 100, "100% RAM", high},
        {8 * GiB, 9 * GiB, 0, 100, 100, "100% RAM", high},
        {0, 5 * GiB, 4 * GiB, 0, 0, "0% RAM", low},
        // The halving truncates: 3 bytes compressed count as 1.
        {1000, 0, 3, 0, 0.1, "0% RAM", low},
        // Absurd readings saturate instead of wrapping round.
        {1000, std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max(), 100, 100,
         "100% RAM", high},
    };
    for (const Case& c : cases) {
        SystemSnapshot s = blank();
        s.memoryTotal = c.total;
        s.memoryUsed = c.used;
        s.memoryCompressed = c.compressed;
        EXPECT_DOUBLE_EQ(T::memoryPercent(s), c.percent) << c.label;
        EXPECT_DOUBLE_EQ(T::memoryPressure(s), c.pressure) << c.label;
        EXPECT_EQ(T::memoryRingLabel(s), c.label);
        EXPECT_EQ(T::pressureColour(T::memoryPressure(s)), c.colour) << c.label;
    }
    const std::pair<double, QColor> edges[] = {
        {85.0, high}, {84.99, medium}, {60.0, medium}, {59.99, low}, {0, low}, {std::nan(""), low},
    };
    for (const auto& [q, colour] : edges)
        EXPECT_EQ(T::pressureColour(q), colour) << q;

    SystemSnapshot s = blank();
    s.memoryWired = 2 * GiB;
    s.appMemory = 1024;
    s.memoryCompressed = 1023;
    s.cachedFiles = 52429;
    const QList<T::LegendRow> legend{{rgb(0.75, 0.35, 0.85), "Wired", "2.00 GB"},
                                     {std::nullopt, "App", "0.0 MB"},
                                     {rgb(0.95, 0.55, 0.20), "Compressed", "1023 bytes"},
                                     {rgb(0.45, 0.78, 0.45), "Cached", "0.1 MB"}};
    EXPECT_EQ(T::legendRows(s), legend);
    EXPECT_EQ(T::swapLine(s), "Swap File  0 bytes");
}

TEST(SystemCardTexts, StorageTitleMediaLineAndFigures)
{
    struct Case {
        QString ssd, media;
        QString title;
        std::optional<QString> mediaLine;
    };
    const Case cases[] = {
        {" APPLE SSD AP0512Q\n", "Macintosh HD", "APPLE SSD AP0512Q", QStringLiteral("Macintosh HD")},
        {"APPLE SSD AP0512Q", "apple ssd ap0512q", "APPLE SSD AP0512Q", std::nullopt},
        {"APPLE SSD AP0512Q", "", "APPLE SSD AP0512Q", std::nullopt},
        {"", "Macintosh HD", "Storage", std::nullopt},
        {"NVMe Controller", "Samsung SSD 980", "Storage", std::nullopt},
        {"APPLE SSD CONTROLLER", "Macintosh HD", "Storage", std::nullopt},
    };
    for (const Case& c : cases) {
        SystemSnapshot s = blank();
        s.ssdProductName = c.ssd;
        s.diskMediaName = c.media;
        const QString title = T::storageDriveDisplayName(s);
        EXPECT_EQ(title, c.title) << str(c.ssd);
        EXPECT_EQ(T::storageMediaLine(s, title), c.mediaLine) << str(c.ssd);
    }

    SystemSnapshot s = blank();
    EXPECT_EQ(T::diskPercent(s), 0);
    EXPECT_EQ(T::storageUsedLine(s), "0 bytes used out of 0 bytes");
    s.diskTotal = 2000000000000ull;
    s.diskUsed = 500000000000ull;
    s.diskFree = 1500000000000ull;
    s.diskReadPerSec = 1499.5;
    s.diskWritePerSec = 0.4;
    EXPECT_DOUBLE_EQ(T::diskPercent(s), 25);
    EXPECT_EQ(T::storageUsedLine(s), "500.00 GB used out of 2000.00 GB");
    EXPECT_EQ(T::storageAvailableLine(s), "Available 1500.00 GB \u00b7 R 2 KB/s \u00b7 W 0 bytes/s");
    s.diskUsed = 3000000000000ull;
    EXPECT_DOUBLE_EQ(T::diskPercent(s), 100);
}

TEST(SystemCardTexts, BatteryLines)
{
    SystemSnapshot s = blank();
    s.batteryCharge = 84.5;
    s.batteryHealth = 91.6;
    s.batteryCycleCount = 123;
    EXPECT_EQ(T::chargeLine(s), "Charge 84%");  // ties go to the even digit
    EXPECT_EQ(T::powerLine(s), "Power Adapter");
    EXPECT_EQ(T::healthLine(s), "Health est. 92% \u00b7 123 cycles");
    EXPECT_EQ(T::temperatureLine(s), std::nullopt);
    s.batteryIsCharging = true;
    s.batteryTemperatureC = 31.4;
    EXPECT_EQ(T::powerLine(s), "Charging");
    EXPECT_EQ(T::temperatureLine(s), QStringLiteral("Temperature 31\u00b0C"));
}

TEST(SystemCardTexts, ProcessListsShowTheFirstFive)
{
    QList<LiveProcess> eight;
    for (int i = 0; i < 8; ++i)
        eight.append({100 + i, QStringLiteral("proc%1").arg(i), 3.04 - i * 0.01, std::uint64_t(i) * GiB});
    const QList<T::ProcessRow> cpu = T::processRows(eight, true);
    ASSERT_EQ(cpu.size(), 5);
    EXPECT_EQ(cpu.front(), (T::ProcessRow{100, "proc0", "3.0%"}));
    EXPECT_EQ(cpu.back().pid, 104);
    const QList<T::ProcessRow> memory = T::processRows(eight.mid(1, 2), false);
    EXPECT_EQ(memory, (QList<T::ProcessRow>{{101, "proc1", "1.00 GB"}, {102, "proc2", "2.00 GB"}}));
    EXPECT_TRUE(T::processRows({}, true).isEmpty());
    // A process on several cores goes past 100 %.
    EXPECT_EQ(T::processRows({{1, "build", 312.25, 0}}, true).front().value, "312.2%");
}
