// Battery readings from a hostile readers' root: values that overflow or
// make no sense are no readings, never undefined behaviour.

#include "monitor/HardwareIdentityReader.h"
#include "platform/HostServices.h"
#include "support/FakePlatform.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tw;

namespace {

// The battery as the host's readers see it under a tree holding one supply.
struct BatteryRig {
    test::MacTree tree;
    std::unique_ptr<HostHardware> host = host::makeHostHardware(tree.hostRoot());
    std::unique_ptr<ProfilerRunner> profiler = host::makeSysfsProfilerRunner(tree.hostRoot());
    test::FakeClock clock;
    HardwareIdentityReader reader{{host.get(), profiler.get(), &clock, {}, nullptr}};

    std::optional<BatteryReading> withFields(const QByteArray& fields)
    {
        tree.write("/sys/class/power_supply/BAT0/uevent",
                   "POWER_SUPPLY_NAME=BAT0\nPOWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_PRESENT=1\n" + fields);
        return reader.readBattery();
    }
};

} // namespace

TEST(HostileBattery, TemperaturesThatOverflowWhenScaledAreNoReading)
{
    BatteryRig rig;
    const qint64 max = std::numeric_limits<qint64>::max(), min = std::numeric_limits<qint64>::min();
    const struct {
        QByteArray temp;
        std::optional<double> celsius;
        bool stored;  // in the registry-like properties
    } rows[] = {
        {QByteArray::number(max), std::nullopt, false},  // tenths times ten overflows
        {QByteArray::number(max / 10 + 1), std::nullopt, false},
        {QByteArray::number(min), std::nullopt, false},
        {"99999999999999999999999", std::nullopt, false},  // does not parse at all
        {QByteArray::number(max / 10), double(max / 10 * 10) / 100, true},  // the largest that fits
        {"305", 30.5, true},
        {"-50", std::nullopt, true},  // read, but below zero is no temperature
    };
    for (const auto& row : rows) {
        const auto b = rig.withFields("POWER_SUPPLY_CAPACITY=50\nPOWER_SUPPLY_TEMP=" + row.temp + '\n');
        ASSERT_TRUE(b) << row.temp.constData();
        EXPECT_EQ(b->temperatureC, row.celsius) << row.temp.constData();
        EXPECT_EQ(b->charge, 50) << row.temp.constData();  // the rest of the reading stands
        const QVariantMap p = *rig.host->batteryProperties();
        EXPECT_EQ(p.contains("Temperature"), row.stored) << row.temp.constData();
    }
}

TEST(HostileBattery, ChargeStaysWithinNoneAndFullAndCountsWithinTheirType)
{
    BatteryRig rig;
    const qint64 max = std::numeric_limits<qint64>::max();
    const struct {
        QByteArray fields;
        double charge;
        int cycles;
    } rows[] = {
        {"POWER_SUPPLY_CAPACITY=-50\n", 0, 0},
        {"POWER_SUPPLY_CAPACITY=" + QByteArray::number(std::numeric_limits<qint64>::min()) + '\n', 0, 0},
        {"POWER_SUPPLY_CAPACITY=" + QByteArray::number(max) + '\n', 100, 0},
        {"POWER_SUPPLY_CAPACITY=150\n", 100, 0},
        {"POWER_SUPPLY_CAPACITY=64\nPOWER_SUPPLY_CYCLE_COUNT=-3\n", 64, 0},
        {"POWER_SUPPLY_CAPACITY=64\nPOWER_SUPPLY_CYCLE_COUNT=" + QByteArray::number(max) + '\n', 64, 0},
        {"POWER_SUPPLY_CAPACITY=64\nPOWER_SUPPLY_CYCLE_COUNT=2147483647\n", 64, 2147483647},
    };
    for (const auto& row : rows) {
        const auto b = rig.withFields(row.fields);
        ASSERT_TRUE(b) << row.fields.constData();
        EXPECT_EQ(b->charge, row.charge) << row.fields.constData();
        EXPECT_EQ(b->cycles, row.cycles) << row.fields.constData();
    }

    // Registry values of any numeric type, as another host may give them.
    using Map = QVariantMap;
    const auto charge = [](const QVariant& v) { return HardwareIdentityReader::batteryFrom(Map{{"CurrentCapacity", v}})->charge; };
    EXPECT_EQ(charge(-1), 0);
    EXPECT_EQ(charge(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(charge(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(charge(std::numeric_limits<double>::infinity()), 100);
    EXPECT_EQ(charge(std::numeric_limits<quint64>::max()), 100);
    EXPECT_EQ(charge(1e300), 100);
    EXPECT_EQ(charge(42.9), 42);
    const auto b = HardwareIdentityReader::batteryFrom(
        Map{{"CurrentCapacity", 10}, {"CycleCount", 1e300}, {"Temperature", std::numeric_limits<double>::infinity()}});
    ASSERT_TRUE(b);
    EXPECT_EQ(b->cycles, 0);
    EXPECT_EQ(b->temperatureC, std::nullopt);
}
