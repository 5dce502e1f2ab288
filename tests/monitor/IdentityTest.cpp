#include "monitor/HardwareIdentityReader.h"
#include "support/FakeHardware.h"
#include "support/FakePlatform.h"
#include "support/HardwareTree.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cmath>
#include <thread>

using namespace tw;
using Reader = HardwareIdentityReader;

namespace tw {
void PrintTo(const HardwareIdentity& i, std::ostream* os)
{
    const QStringList fields{i.machineName, i.marketingTitle, i.modelYear ? QString::number(*i.modelYear) : "-",
                             i.modelNumber, i.identifier, i.chip, i.graphics, i.serial, i.osVersion,
                             i.releaseDate, i.manufactureDate, i.origin};
    *os << fields.join(" | ").toStdString();
}
} // namespace tw

namespace {

const QString kHardware = QStringLiteral("SPHardwareDataType");
const QString kDisplays = QStringLiteral("SPDisplaysDataType");
const QString kNVMe = QStringLiteral("SPNVMeDataType");
const QString kSATA = QStringLiteral("SPSerialATADataType");

QByteArray answer(const QString& type, const QJsonArray& items)
{
    return QJsonDocument(QJsonObject{{type, items}}).toJson(QJsonDocument::Compact);
}

RegistryChain wholeDisk(const QString& bsd, const QVariantMap& parent = {})
{
    RegistryChain chain{{{"BSD Name", bsd}, {"Whole", true}}};
    if (!parent.isEmpty())
        chain.push_back(parent);
    return chain;
}

// A reader over fakes, with the clock at 2026-12-06 12:00 UTC.
struct Rig {
    test::FakeHardware host;
    test::CountingProfiler profiler;
    test::FakeClock clock;
    std::optional<double> diagonal;
    machardwarecatalog::DivadaTables tables;
    Reader reader{{&host, &profiler, &clock, [this] { return diagonal; }, &tables}};

    void advance(int seconds) { clock.current = clock.current.addSecs(seconds); }
};

// The host's readers over a tree, with the fake clock.
struct TreeRig {
    explicit TreeRig(const test::MacTree& t, const machardwarecatalog::DivadaTables* tables = nullptr)
        : host(host::makeHostHardware(t.hostRoot()))
        , profiler(host::makeSysfsProfilerRunner(t.hostRoot()))
        , reader({host.get(), profiler.get(), &clock, [root = t.hostRoot()] { return host::builtInDisplayDiagonalInches(root); },
                  tables})
    {
    }
    std::unique_ptr<HostHardware> host;
    std::unique_ptr<ProfilerRunner> profiler;
    test::FakeClock clock;
    Reader reader;
};

QString hostNameOrMac()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("Mac") : name;
}

} // namespace

TEST(StorageName, AcceptsSsdNamesAndRefusesControllersAndImages)
{
    const std::pair<const char*, bool> names[] = {
        {"APPLE SSD AP0512Q", true},  {"APPLE SSD CONTROLLER", false}, {"GENERIC SSD 970", true},
        {"AP1024M", false},           {"XAP1234Z", true},              {"Virtual SSD Disk", false},
        {"NVMe Controller", false},   {" apple ssd sm0512g\n", true},  {"Samsung SSD 870 EVO 1TB", true},
        {"SSD Array Controller", false}, {"AppleANS3NVMe", false},     {"Apple Disk Image", false},
        {"XAP12Z99", false},          {"ST2000DM008-2FR102", false},   {"       SSD", false},
    };
    for (const auto& [name, accepted] : names)
        EXPECT_EQ(Reader::isRealAppleSSDProductName(name), accepted) << name;

    const std::pair<const char*, bool> numbers[] = {
        {"A2442", true}, {" a1502 \n", true}, {"A123", true}, {"A123456", false}, {"A12", false},
        {"A1234567", false}, {"B1234", false}, {"A12B4", false}, {"", false},
    };
    for (const auto& [number, accepted] : numbers)
        EXPECT_EQ(Reader::isAppleANumber(number), accepted) << number;

    using List = QStringList;
    EXPECT_EQ(Reader::preferAppleSSD(List{"GENERIC SSD 970", "APPLE SSD SM0512G", "APPLE SSD AP0512Q"}), "APPLE SSD AP0512Q");
    EXPECT_EQ(Reader::preferAppleSSD(List{"GENERIC SSD 970", "APPLE SSD SM0512G"}), "APPLE SSD SM0512G");
    EXPECT_EQ(Reader::preferAppleSSD(List{" GENERIC SSD 970 "}), "GENERIC SSD 970");
    EXPECT_EQ(Reader::preferAppleSSD(List{"NVMe Controller", "AP1024M"}), std::nullopt);
}

TEST(StorageName, ReadsProductNamesFromRegistryEntriesAndTheFirstWholeMedium)
{
    const QVariantMap traits{{"Product Name", "APPLE SSD AP0512Q"}, {"Model", "ignored"}};
    const std::pair<QVariantMap, std::optional<QString>> entries[] = {
        {{{"Device Characteristics", traits}, {"Product Name", "Other"}}, "APPLE SSD AP0512Q"},
        {{{"Device Characteristics", QVariantMap{{"Model", "APPLE SSD SM0512G"}}}}, "APPLE SSD SM0512G"},
        {{{"Device Characteristics", QVariantMap{{"Product Name", ""}}}, {"Model", "Disk"}}, "Disk"},
        {{{"Product Name", 42}, {"Model", "Fallback"}}, "Fallback"},
        {{{"Model Name", "Named"}}, "Named"},
        {{{"Product Name", ""}, {"Model Name", ""}}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [properties, name] : entries)
        EXPECT_EQ(Reader::registryProductName(properties), name) << name.value_or("none").toStdString();

    // Twelve entries are examined, the medium and eleven ancestors.
    RegistryChain chain(11, QVariantMap{{"Model", "Media"}});
    chain.push_back({{"Model", "APPLE SSD AP0512Q"}});
    EXPECT_EQ(Reader::productNameFromIORegistry(chain), "APPLE SSD AP0512Q");
    chain.insert(chain.begin(), QVariantMap{});
    EXPECT_EQ(Reader::productNameFromIORegistry(chain), std::nullopt);

    Rig r;
    r.host.media = {{{{"BSD Name", "disk0s1"}, {"Whole", false}}, {{"Model", "APPLE SSD AP0512Q"}}},
                    {{{"BSD Name", "disk1"}, {"Whole", 1}}},
                    wholeDisk("disk2", {{"Model", "APPLE SSD AP0256Z"}})};
    EXPECT_EQ(r.reader.ioRegistryDiskProductName(), "disk1");  // the first whole medium decides
    r.host.media.erase(r.host.media.begin() + 1);
    EXPECT_EQ(r.reader.ioRegistryDiskProductName(), "APPLE SSD AP0256Z");
    r.host.media = {{{{"Whole", true}, {"BSD Name", ""}}}, {}};
    EXPECT_EQ(r.reader.ioRegistryDiskProductName(), std::nullopt);
}

TEST(StorageName, WalksProfilerItemsAndTheirDevices)
{
    const QJsonObject controller{{"_name", "Generic SSD Controller"},
                                 {"_items", QJsonArray{QJsonObject{{"_name", "disk0"}, {"device_model", " APPLE SSD AP0512Q "}}}}};
    const QJsonObject spinning{{"_name", "WDC SSD-lookalike"}, {"device_type", "Rotational"}, {"model", "WDC SSD HDD 2TB"}};
    const QJsonObject solid{{"_name", "disk3"}, {"device_type", "Solid State"}, {"device_model", "Crucial SSD MX500"}};
    Rig r;
    r.profiler.answers[kNVMe] = answer(kNVMe, {controller});
    r.profiler.answers[kSATA] = answer(kSATA, {QJsonObject{{"_name", "SATA"}, {"_items", QJsonArray{QJsonObject{{"_name", "HDD"}}, solid}}}});
    EXPECT_EQ(r.reader.nvmeSSDModelFromProfiler(), "APPLE SSD AP0512Q");
    EXPECT_EQ(r.reader.sataSSDModelFromProfiler(), "Crucial SSD MX500");
    // A device qualifies by its type, else by "SSD" in its name.
    r.profiler.answers[kSATA] = answer(kSATA, {QJsonObject{{"_items", QJsonArray{spinning}}}});
    r.advance(30);
    EXPECT_EQ(r.reader.sataSSDModelFromProfiler(), "WDC SSD HDD 2TB");
    r.profiler.answers[kSATA] = answer(kSATA, {QJsonObject{{"_items", QJsonArray{QJsonObject{{"model", "WDC SSD HDD 2TB"}}}}}});
    r.advance(30);
    EXPECT_EQ(r.reader.sataSSDModelFromProfiler(), std::nullopt);

    EXPECT_EQ(Reader::profilerStorageModel({{"model_name", "short"}, {"device_serial", "APPLE SSD AP0512Q"}}), "APPLE SSD AP0512Q");
    EXPECT_EQ(Reader::profilerStorageModel({{"model_name", 5}, {"_name", "NVMe Controller"}}), std::nullopt);
}

TEST(StorageName, KeepsAFoundNameAMinuteAndSearchesEveryPassWhileNoneIsKnown)
{
    Rig r;
    r.profiler.answers[kNVMe] = answer(kNVMe, {QJsonObject{{"_items", QJsonArray{QJsonObject{{"_name", "GENERIC SSD 970"}}}}}});
    r.profiler.answers[kSATA] = answer(kSATA, {QJsonObject{{"device_model", "APPLE SSD SM0512G"}}});
    r.host.media = {wholeDisk("disk0", {{"Model", "APPLE SSD AP0512Q"}})};
    EXPECT_EQ(r.reader.readSSDProductName(), "APPLE SSD AP0512Q");
    EXPECT_EQ(r.host.mediaCalls, 1);
    r.advance(59);
    r.host.media.clear();
    EXPECT_EQ(r.reader.readSSDProductName(), "APPLE SSD AP0512Q");
    EXPECT_EQ(r.host.mediaCalls, 1);
    r.advance(1);
    EXPECT_EQ(r.reader.readSSDProductName(), "APPLE SSD SM0512G");
    EXPECT_EQ(r.host.mediaCalls, 2);

    Rig none;
    none.profiler.answers[kNVMe] = answer(kNVMe, {});
    none.host.media = {wholeDisk("disk0")};
    EXPECT_EQ(none.reader.readSSDProductName(), "");
    EXPECT_EQ(none.reader.readSSDProductName(), "");
    EXPECT_EQ(none.host.mediaCalls, 2);
    EXPECT_EQ(none.profiler.runs[kNVMe], 1);  // an empty answer is an answer, kept 30 s
    EXPECT_EQ(none.profiler.runs[kSATA], 2);  // no answer: asked again
}

TEST(Profiler, KeepsAnswersThirtySecondsUnderOneDateAndForgetsNoFailure)
{
    Rig r;
    r.profiler.answers[kHardware] = answer(kHardware, {QJsonObject{{"chip_type", "Apple M1 Pro"}}});
    r.profiler.answers[kDisplays] = answer(kDisplays, {QJsonObject{{"sppci_model", "Apple M1 Pro"}}});
    EXPECT_EQ(r.reader.readHardwareIdentity().graphics, "Apple M1 Pro");
    r.advance(29);
    r.profiler.answers[kDisplays] = answer(kDisplays, {QJsonObject{{"sppci_model", "Replaced"}}});
    r.reader.readHardwareIdentity();
    EXPECT_EQ(r.profiler.runs[kHardware], 1);
    EXPECT_EQ(r.profiler.runs[kDisplays], 1);
    // At 30 s the hardware run renews the one date, so the displays stay cached.
    r.advance(1);
    EXPECT_EQ(r.reader.readHardwareIdentity().graphics, "Apple M1 Pro");
    EXPECT_EQ(r.profiler.runs[kHardware], 2);
    EXPECT_EQ(r.profiler.runs[kDisplays], 1);

    // A type that fails is asked again and leaves the date alone.
    EXPECT_EQ(r.reader.runSystemProfilerJSON(kNVMe), std::nullopt);
    EXPECT_EQ(r.reader.runSystemProfilerJSON(kNVMe), std::nullopt);
    EXPECT_EQ(r.profiler.runs[kNVMe], 2);
    r.advance(29);
    r.reader.readHardwareIdentity();
    EXPECT_EQ(r.profiler.runs[kHardware], 2);

    // A clock set back makes the cache old rather than fresh for an hour.
    r.advance(-3600);
    r.reader.readHardwareIdentity();
    EXPECT_EQ(r.profiler.runs[kHardware], 3);
}

TEST(Profiler, AnswersThatAreNotADictionaryOfDictionariesFailSoftly)
{
    const QByteArray bad[] = {
        "", "not json", "[1, 2]", R"({"SPNVMeDataType": {}})", R"({"SPNVMeDataType": [1]})",
        R"({"SPNVMeDataType": [{}, "x"]})", R"({"Other": []})", R"({"SPNVMeDataType": [{"_name": "a"})",
    };
    for (const QByteArray& json : bad) {
        Rig r;
        r.profiler.answers[kNVMe] = json;
        EXPECT_EQ(r.reader.runSystemProfilerJSON(kNVMe), std::nullopt) << json.constData();
        r.reader.runSystemProfilerJSON(kNVMe);
        EXPECT_EQ(r.profiler.runs[kNVMe], 2) << json.constData();
    }
    Rig r;
    r.profiler.answers[kNVMe] = R"({"SPNVMeDataType": [{"_name": "a", "_items": [{"n": 1}]}], "x": 1})";
    const auto items = r.reader.runSystemProfilerJSON(kNVMe);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 1);
    EXPECT_EQ(items->first().value("_name"), "a");
}

TEST(Identity, TakesTheProfilersOverviewAndKeepsOnlyAppleModelNumbers)
{
    Rig r;
    r.host.host = "Ann’s Computer";
    r.host.brand = "Apple M1 Pro";
    r.host.board = PlatformExpert{"MacBookPro18,3", "C02FP12ABCDE"};
    r.profiler.answers[kHardware] =
        answer(kHardware, {QJsonObject{{"machine_name", "MacBook Pro"}, {"model_number", "Z15G000CK"}, {"chip_type", "Apple M1 Max"}}});
    r.profiler.answers[kDisplays] = answer(kDisplays, {QJsonObject{{"_name", "Built-in GPU"}}});
    HardwareIdentity id = r.reader.readHardwareIdentity();
    EXPECT_EQ(id, (HardwareIdentity{"MacBook Pro", "MacBook Pro (14-inch, 2021)", 2021, "", "MacBookPro18,3",
                                    "Apple M1 Max", "Built-in GPU", "C02FP12ABCDE", "macOS 14.5 (23F79)", "",
                                    "March 16, 2020", "Tech Com – Quanta Computer, Shanghai, China"}));

    // An A-number from the profiler stays; the model-number list overrides it;
    // the release-date list gives the release date restyled.
    r.advance(30);
    r.profiler.answers[kHardware] = answer(kHardware, {QJsonObject{{"model_number", " A2442 "}, {"machine_model", "Mac99,1"}}});
    r.diagonal = 13.3;
    id = r.reader.readHardwareIdentity();
    EXPECT_EQ(id.modelNumber, " A2442 ");
    EXPECT_EQ(id.identifier, "Mac99,1");
    // A model nothing knows gets no year: not the clock's.
    EXPECT_EQ(id.marketingTitle, "Ann’s Computer (13-inch)");
    EXPECT_EQ(id.modelYear, std::nullopt);
    EXPECT_EQ(id.chip, "Apple M1 Pro");
    r.diagonal = 13.95;
    EXPECT_EQ(r.reader.readHardwareIdentity().marketingTitle, "Ann’s Computer (14-inch)");
    r.diagonal.reset();
    id = r.reader.readHardwareIdentity();
    EXPECT_EQ(id.marketingTitle, "Ann’s Computer");
    EXPECT_EQ(id.modelYear, std::nullopt);
    r.diagonal = 13.3;
    r.tables = {{{"Mac99", "A2338"}}, {{"Mac99,1", "October 26, 2021"}}};
    id = r.reader.readHardwareIdentity();
    EXPECT_EQ(id.modelNumber, "A2338");
    EXPECT_EQ(id.releaseDate, "26 October, 2021");
    EXPECT_EQ(id.marketingTitle, "Ann’s Computer (13-inch, 2021)");
    EXPECT_EQ(id.modelYear, 2021);
}

TEST(Identity, FallsBackWhenSourcesAreMissing)
{
    Rig r;
    r.host.os = {"macOS", "14.5", ""};
    r.host.host = "";
    const HardwareIdentity id = r.reader.readHardwareIdentity();
    EXPECT_EQ(id, (HardwareIdentity{"Mac", "Mac", std::nullopt, "", "", "Apple Silicon", "", "",
                                    "macOS 14.5", "", "Not available", "Not available"}));
    // A board with an empty model keeps the identifier empty; a short serial decodes to nothing.
    r.host.board = PlatformExpert{"", "C02FP12"};
    EXPECT_EQ(r.reader.readHardwareIdentity().origin, "Not available");
}

TEST(Battery, MapsRegistryPropertiesIntoTheReading)
{
    using Map = QVariantMap;
    const auto health = [](const Map& p) { return Reader::batteryFrom(p)->health; };
    const Map design{{"CurrentCapacity", 50}, {"DesignCapacity", 5000}};
    Map worn = design;
    worn.insert("AppleRawMaxCapacity", 4000);
    EXPECT_DOUBLE_EQ(health(worn), 80);
    worn.insert("AppleRawMaxCapacity", 5200);
    EXPECT_DOUBLE_EQ(health(worn), 100);
    EXPECT_DOUBLE_EQ(health({{"CurrentCapacity", 50}, {"MaxCapacity", 100}}), 100);
    EXPECT_DOUBLE_EQ(health({{"CurrentCapacity", 50}, {"MaxCapacity", 4500}}), 100);
    EXPECT_DOUBLE_EQ(health({{"CurrentCapacity", 50}, {"MaxCapacity", 87}}), 87);
    EXPECT_DOUBLE_EQ(health({{"CurrentCapacity", 50}, {"MaxCapacity", 87}, {"AppleRawMaxCapacity", 4000}}), 87);

    const auto reading = Reader::batteryFrom({{"CurrentCapacity", 150}, {"CycleCount", 321}, {"IsCharging", 1}, {"Temperature", 3050}});
    EXPECT_EQ(reading, (BatteryReading{100, 100, 321, true, 30.5}));
    EXPECT_EQ(Reader::batteryFrom({{"CurrentCapacity", 20}, {"Temperature", 0}, {"IsCharging", "Yes"}}),
              (BatteryReading{20, 100, 0, false, std::nullopt}));
    EXPECT_EQ(Reader::batteryFrom({{"BatteryInstalled", 1}}), (BatteryReading{0, 100, 0, false, std::nullopt}));
    EXPECT_EQ(Reader::batteryFrom({{"BatteryInstalled", false}}), std::nullopt);
    EXPECT_EQ(Reader::batteryFrom({{"CurrentCapacity", "55"}})->charge, 0);  // present, of no use
    EXPECT_EQ(Reader::batteryFrom({}), std::nullopt);

    Rig r;
    EXPECT_EQ(r.reader.readBattery(), std::nullopt);
    r.host.battery = Map{{"BatteryInstalled", true}, {"CurrentCapacity", 64}, {"IsCharging", false}};
    EXPECT_EQ(r.reader.readBattery(), (BatteryReading{64, 100, 0, false, std::nullopt}));
}

TEST(HostHardware, AMacLikeTreeIsIdentifiedAsItsModel)
{
    test::MacTree t;
    test::writeMacLikeHardware(t);
    const machardwarecatalog::DivadaTables tables{{{"MacBookPro18", "A2442"}}, {{"MacBookPro18,3", "October 26, 2021"}}};
    TreeRig rig(t, &tables);
    Reader& reader = rig.reader;

    EXPECT_EQ(reader.readHardwareIdentity(),
              (HardwareIdentity{hostNameOrMac(), "MacBook Pro (14-inch, 2021)", 2021, "A2442", "MacBookPro18,3",
                                "Apple M1 Pro", "asahi", "C02FP12ABCDE",
                                "Fedora Linux Asahi Remix 39 (6.6.3-414.asahi.fc39.aarch64+16k)", "26 October, 2021",
                                "March 16, 2020", "Tech Com – Quanta Computer, Shanghai, China"}));
    EXPECT_EQ(reader.readSSDProductName(), "APPLE SSD AP1024R");
    EXPECT_EQ(reader.ioRegistryDiskProductName(), "APPLE SSD AP1024R");
    // The mouse's battery is listed first and left out.
    const auto battery = reader.readBattery();
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->charge, 87);
    EXPECT_NEAR(battery->health, 62.0 / 70 * 100, 1e-9);
    EXPECT_EQ(battery->cycles, 123);
    EXPECT_TRUE(battery->charging);
    EXPECT_EQ(battery->temperatureC, 30.5);
}

TEST(HostHardware, AnOrdinaryPcGivesItsHostNameProcessorAndTheFallbacks)
{
    test::MacTree t;
    test::writePcHardware(t);
    TreeRig rig(t);
    Reader& reader = rig.reader;
    const QString name = hostNameOrMac();
    const QString cpu = "Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz";
    EXPECT_EQ(reader.readHardwareIdentity(),
              (HardwareIdentity{name, name, std::nullopt, "", "OptiPlex 7080", cpu, "Intel CometLake-S GT2 [UHD Graphics 630]", "",
                                "Debian GNU/Linux 12 (6.1.0-18-amd64)", "", "Not available", "Not available"}));
    EXPECT_EQ(reader.readSSDProductName(), "Samsung SSD 870 EVO 1TB");
    EXPECT_EQ(reader.readBattery(), std::nullopt);  // mains and a mouse only

    // Whole disks only, in name order, with their models.
    QStringList disks;
    for (const RegistryChain& chain : rig.host->storageMedia())
        disks << chain.front().value("BSD Name").toString() + u'=' + (chain.size() > 1 ? chain[1].value("Model").toString() : "");
    EXPECT_EQ(disks, (QStringList{"sda=Samsung SSD 870 EVO 1TB", "sdb=ST2000DM008-2FR102", "sdc=Extreme SSD"}));

    // The profiler's SATA answer holds the libata disks, typed by rotation.
    const QJsonObject sata = QJsonDocument::fromJson(*rig.profiler->run(kSATA)).object();
    const QJsonArray expected{QJsonObject{
        {"_name", "SATA"},
        {"_items", QJsonArray{QJsonObject{{"_name", "Samsung SSD 870 EVO 1TB"}, {"device_model", "Samsung SSD 870 EVO 1TB"}, {"device_type", "Solid State"}},
                              QJsonObject{{"_name", "ST2000DM008-2FR102"}, {"device_model", "ST2000DM008-2FR102"}, {"device_type", "Rotational"}}}}}};
    EXPECT_EQ(sata.value(kSATA).toArray(), expected);
    EXPECT_EQ(QJsonDocument::fromJson(*rig.profiler->run(kNVMe)).object().value(kNVMe).toArray(), QJsonArray());
    EXPECT_EQ(rig.profiler->run("SPAudioDataType"), std::nullopt);
}

TEST(HostHardware, AVirtualMachineOrALaptopIsTitledOnlyByWhatItTells)
{
    const QString name = hostNameOrMac();
    // A virtual machine: its virtual display has a size, but no panel is
    // built in; the graphics card is the virtio GPU, not the processor.
    test::MacTree vm;
    test::writeVirtualMachineHardware(vm);
    TreeRig vmRig(vm);
    HardwareIdentity id = vmRig.reader.readHardwareIdentity();
    EXPECT_EQ(id.marketingTitle, name);
    EXPECT_EQ(id.modelYear, std::nullopt);
    EXPECT_EQ(id.releaseDate, "");
    EXPECT_EQ(id.chip, "AMD EPYC");
    EXPECT_EQ(id.graphics, "Virtio Device 1050");
    EXPECT_EQ(id.identifier, "Standard PC (Q35 + ICH9, 2009)");

    // Without any graphics device the graphics are unknown.
    test::MacTree bare;
    bare.write("/proc/cpuinfo", "processor\t: 0\nmodel name\t: AMD EPYC\n");
    EXPECT_EQ(TreeRig(bare).reader.readHardwareIdentity().graphics, "");

    // A laptop: its own panel gives the size, and nothing gives a year.
    test::MacTree laptop;
    test::writeLaptopHardware(laptop);
    TreeRig laptopRig(laptop);
    id = laptopRig.reader.readHardwareIdentity();
    EXPECT_EQ(id.marketingTitle, name + " (14-inch)");
    EXPECT_EQ(id.modelYear, std::nullopt);
    EXPECT_EQ(id.graphics, "AMD Device 1681");
    // A name the kernel gives the card wins over the ids.
    laptop.write("/sys/class/drm/card0/device/product_name", "AMD Radeon 680M\n");
    EXPECT_EQ(TreeRig(laptop).reader.readHardwareIdentity().graphics, "AMD Radeon 680M");
}

TEST(HostHardware, AnEmptyTreeFailsSoftly)
{
    test::MacTree t;
    TreeRig rig(t);
    Reader& reader = rig.reader;
    const HardwareIdentity id = reader.readHardwareIdentity();
    EXPECT_EQ(id.osVersion, "Linux");
    EXPECT_EQ(id.identifier, "");
    EXPECT_EQ(id.chip, "Apple Silicon");
    EXPECT_EQ(id.graphics, "");  // not the processor
    EXPECT_EQ(id.origin, "Not available");
    EXPECT_EQ(reader.readSSDProductName(), "");
    EXPECT_EQ(reader.ioRegistryDiskProductName(), std::nullopt);
    EXPECT_EQ(reader.readBattery(), std::nullopt);

    // An older kernel's uevent names no type: the type file tells it. A
    // battery without capacity or presence is none, nor is an empty slot.
    const QString bat = QStringLiteral("/sys/class/power_supply/BAT0/");
    t.write(bat + "type", "Battery\n");
    t.write(bat + "uevent", "POWER_SUPPLY_NAME=BAT0\n");
    EXPECT_EQ(rig.host->batteryProperties(), QVariantMap());
    EXPECT_EQ(reader.readBattery(), std::nullopt);
    t.write(bat + "uevent", "POWER_SUPPLY_NAME=BAT0\nPOWER_SUPPLY_PRESENT=0\n");
    EXPECT_EQ(reader.readBattery(), std::nullopt);
    t.write(bat + "uevent", "POWER_SUPPLY_NAME=BAT0\nPOWER_SUPPLY_STATUS=Not charging\nPOWER_SUPPLY_PRESENT=1\n"
                            "POWER_SUPPLY_CHARGE_FULL_DESIGN=4000000\nPOWER_SUPPLY_CHARGE_FULL=3000000\n"
                            "POWER_SUPPLY_CAPACITY=12\nPOWER_SUPPLY_TEMP=-50\n");
    EXPECT_EQ(reader.readBattery(), (BatteryReading{12, 75, 0, false, std::nullopt}));
    t.write(bat + "type", "Mains\n");
    EXPECT_EQ(reader.readBattery(), std::nullopt);
}

TEST(HostHardware, TheProfilerToolRunsWithATimeLimit)
{
    QTemporaryDir dir;
    const auto script = [&](const char* name, const QByteArray& body) {
        const QString path = dir.path() + u'/' + QLatin1String(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    const QString echo = script("echo", R"(printf '{"%s":[{"_name":"%s"}]}' "$1" "$2"; echo noise >&2)");
    EXPECT_EQ(host::makeCommandProfilerRunner(echo)->run(kNVMe), R"({"SPNVMeDataType":[{"_name":"-json"}]})");

    const QString pidFile = dir.path() + QStringLiteral("/pid");
    const QString slow = script("slow", "echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 30\n");
    EXPECT_EQ(host::makeCommandProfilerRunner(slow, std::chrono::milliseconds(300))->run(kNVMe), std::nullopt);
    QFile f(pidFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(f.readAll().trimmed().toInt());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), -1);  // ended and reaped
    EXPECT_EQ(errno, ESRCH);

    EXPECT_EQ(host::makeCommandProfilerRunner(dir.path() + QStringLiteral("/missing"))->run(kNVMe), std::nullopt);

    // The tool under the root is preferred to the sysfs stand-in.
    test::MacTree t;
    t.write("/usr/sbin/system_profiler", "#!/bin/sh\nprintf '{\"%s\":[]}' \"$1\"\n");
    QFile::setPermissions(t.host("/usr/sbin/system_profiler"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(host::makeProfilerRunner(t.hostRoot())->run("SPAudioDataType"), R"({"SPAudioDataType":[]})");
}

TEST(HostHardware, DisplayDiagonalsNeedBothSidesAboveTenMillimetres)
{
    EXPECT_NEAR(*diagonalInches(302.4, 196.6), std::hypot(302.4, 196.6) / 25.4, 1e-12);
    EXPECT_EQ(diagonalInches(10, 200), std::nullopt);
    EXPECT_EQ(diagonalInches(300, 9.9), std::nullopt);
    EXPECT_EQ(diagonalInches(std::nan(""), 200), std::nullopt);

    // The host's diagonal is a built-in panel's: an internal connector with
    // a readable EDID. Monitors, virtual displays and broken EDIDs give none.
    test::MacTree t;
    const auto diagonal = [&] { return host::builtInDisplayDiagonalInches(t.hostRoot()); };
    EXPECT_EQ(diagonal(), std::nullopt);
    test::writePcHardware(t);
    EXPECT_EQ(diagonal(), std::nullopt);  // a 27-inch monitor on DisplayPort
    test::MacTree laptop;
    test::writeLaptopHardware(laptop);
    EXPECT_NEAR(*host::builtInDisplayDiagonalInches(laptop.hostRoot()), std::hypot(309, 174) / 25.4, 1e-9);
    t.write("/sys/class/drm/card0-eDP-1/edid", test::edidBlock(309, 174));
    ASSERT_TRUE(diagonal());
    EXPECT_NEAR(*diagonal(), std::hypot(309, 174) / 25.4, 1e-9);
    // Sides past 255 mm keep the high bits the timing holds apart: 23.8 in, not 20.8.
    t.write("/sys/class/drm/card0-eDP-1/edid", test::edidBlock(527, 296));
    ASSERT_TRUE(diagonal());
    EXPECT_NEAR(*diagonal(), std::hypot(527, 296) / 25.4, 1e-9);
    EXPECT_EQ(QString::number(*diagonal(), 'f', 1), "23.8");
    t.write("/sys/class/drm/card0-eDP-1/edid", test::edidBlock(2000, 1100));
    ASSERT_TRUE(diagonal());
    EXPECT_NEAR(*diagonal(), std::hypot(2000, 1100) / 25.4, 1e-9);
    QByteArray bad = test::edidBlock(309, 174);
    bad[70] = char(bad[70] + 1);  // the checksum no longer adds up
    t.write("/sys/class/drm/card0-eDP-1/edid", bad);
    EXPECT_EQ(diagonal(), std::nullopt);
    t.write("/sys/class/drm/card0-eDP-1/edid", test::edidBlock(309, 174).left(100));
    EXPECT_EQ(diagonal(), std::nullopt);
    // Without a detailed timing the base block's centimetres serve.
    QByteArray coarse = test::edidBlock(309, 174);
    coarse[54] = coarse[55] = 0;
    coarse[127] = char(coarse[127] + 0x3c + 0x8f);
    t.write("/sys/class/drm/card0-LVDS-1/edid", coarse);
    t.write("/sys/class/drm/card0-eDP-1/edid", QByteArray());
    ASSERT_TRUE(diagonal());
    EXPECT_NEAR(*diagonal(), std::hypot(310, 170) / 25.4, 1e-9);

    test::MacTree vm;
    test::writeVirtualMachineHardware(vm);
    EXPECT_EQ(host::builtInDisplayDiagonalInches(vm.hostRoot()), std::nullopt);
}
