#include "platform/HostHardware.h"

#include "platform/FileSystem.h"
#include "platform/SafeRead.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tw {

std::optional<double> diagonalInches(double widthMm, double heightMm)
{
    if (!(widthMm > 10.0) || !(heightMm > 10.0))
        return std::nullopt;
    return std::hypot(widthMm, heightMm) / 25.4;
}

namespace {

constexpr std::int64_t kSmallFile = 64 << 10;
constexpr std::int64_t kCpuInfoBytes = 8 << 20;
constexpr qsizetype kProfilerOutputBytes = 64 << 20;
constexpr std::int64_t kPciIdsBytes = 8 << 20;

// Small files and listings of one tree, read into one reused buffer.
class TreeReader {
public:
    explicit TreeReader(const QString& root) : m_fs(root, QStringLiteral("/")) {}

    // The text before any zero byte, trimmed; nullopt when unreadable.
    std::optional<QString> text(const QString& path, std::int64_t maxBytes = kSmallFile)
    {
        if (!readRegularFile(m_fs.toHost(path).constData(), m_buf, maxBytes))
            return std::nullopt;
        const qsizetype zero = m_buf.indexOf('\0');
        return QString::fromUtf8(zero < 0 ? m_buf : m_buf.left(zero)).trimmed();
    }

    std::optional<qint64> number(const QString& path)
    {
        const auto t = text(path);
        bool ok = false;
        const qint64 n = t ? t->toLongLong(&ok) : 0;
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }

    // Entry names in byte order, hidden ones left out.
    QStringList names(const QString& folder) const
    {
        QStringList out;
        if (const auto entries = m_fs.list(folder)) {
            for (const DirEntry& e : *entries)
                out << e.name;
        }
        return out;
    }

    bool exists(const QString& path) const { return m_fs.existsNoFollow(path); }
    bool isDirectory(const QString& path) const { return m_fs.isDirectory(path); }

    // The last name of a symlink's target ("i915" for .../drivers/i915).
    QString linkName(const QString& path) const
    {
        const QString target = QFileInfo(m_fs.toHostString(path)).symLinkTarget();
        return target.isEmpty() ? QString() : QFileInfo(target).fileName();
    }

private:
    FileSystem m_fs;
    QByteArray m_buf;
};

const QString kBlock = QStringLiteral("/sys/block/");

// Whole disks: block devices backed by a device, not loop, RAM, zram,
// device-mapper or software RAID ones.
QStringList wholeDiskNames(TreeReader& tree)
{
    static const char* const kVirtual[] = {"loop", "ram", "zram", "dm-", "md"};
    QStringList out;
    for (const QString& name : tree.names(kBlock)) {
        const bool isVirtual = std::any_of(std::begin(kVirtual), std::end(kVirtual),
                                           [&](const char* prefix) { return name.startsWith(QLatin1String(prefix)); });
        if (!isVirtual && tree.exists(kBlock + name + QStringLiteral("/device")))
            out << name;
    }
    return out;
}

std::optional<QString> cpuBrand(TreeReader& tree)
{
    const auto info = tree.text(QStringLiteral("/proc/cpuinfo"), kCpuInfoBytes);
    if (!info)
        return std::nullopt;
    for (QStringView line : QStringView(*info).split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && line.left(colon).trimmed() == QLatin1String("model name")) {
            const QString brand = line.mid(colon + 1).trimmed().toString();
            return brand.isEmpty() ? std::nullopt : std::optional<QString>(brand);
        }
    }
    return std::nullopt;
}

std::optional<PlatformExpert> dmiBoard(TreeReader& tree)
{
    const QString dmi = QStringLiteral("/sys/class/dmi/id/");
    if (!tree.isDirectory(dmi))
        return std::nullopt;
    return PlatformExpert{tree.text(dmi + QStringLiteral("product_name")).value_or(QString()),
                          tree.text(dmi + QStringLiteral("product_serial")).value_or(QString())};
}

// KEY=value lines (os-release, uevent); values may be quoted and hold
// backslash escapes.
QHash<QString, QString> parseKeyValues(const QString& text)
{
    QHash<QString, QString> out;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (line.startsWith(u'#') || eq <= 0)
            continue;
        QStringView value = line.mid(eq + 1);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'\\' && i + 1 < value.size())
                ++i;
            unescaped += value[i];
        }
        out.insert(line.left(eq).toString(), unescaped);
    }
    return out;
}

class LinuxHardware final : public HostHardware {
public:
    explicit LinuxHardware(const QString& root) : m_tree(root) {}

    // The release, the board and the processor do not change while the
    // system runs: each is read once.
    OsVersion osVersion() override
    {
        if (!m_os)
            m_os = readOsVersion();
        return *m_os;
    }

    std::optional<PlatformExpert> platformExpert() override
    {
        if (!m_board)
            m_board = dmiBoard(m_tree);
        return *m_board;
    }

    std::optional<QString> processorBrand() override
    {
        if (!m_brand)
            m_brand = cpuBrand(m_tree);
        return *m_brand;
    }

    std::optional<QString> hostName() override
    {
        const QString name = QSysInfo::machineHostName();
        return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
    }

    std::vector<RegistryChain> storageMedia() override
    {
        std::vector<RegistryChain> out;
        for (const QString& name : wholeDiskNames(m_tree)) {
            RegistryChain chain{{{QStringLiteral("BSD Name"), name}, {QStringLiteral("Whole"), true}}};
            const auto model = m_tree.text(kBlock + name + QStringLiteral("/device/model"));
            if (model && !model->isEmpty())
                chain.push_back({{QStringLiteral("Model"), *model}});
            out.push_back(std::move(chain));
        }
        return out;
    }

    std::optional<QVariantMap> batteryProperties() override;

private:
    OsVersion readOsVersion();

    TreeReader m_tree;
    std::optional<OsVersion> m_os;
    std::optional<std::optional<PlatformExpert>> m_board;
    std::optional<std::optional<QString>> m_brand;
};

OsVersion LinuxHardware::readOsVersion()
{
    auto release = m_tree.text(QStringLiteral("/etc/os-release"));
    if (!release)
        release = m_tree.text(QStringLiteral("/usr/lib/os-release"));
    const QHash<QString, QString> fields = parseKeyValues(release.value_or(QString()));
    OsVersion os;
    os.product = fields.value(QStringLiteral("NAME"), QStringLiteral("Linux"));
    os.version = fields.value(QStringLiteral("VERSION_ID"), fields.value(QStringLiteral("VERSION_CODENAME")));
    os.build = m_tree.text(QStringLiteral("/proc/sys/kernel/osrelease")).value_or(QString());
    return os;
}

// The first system battery (peripherals report the scope "Device"), under
// the registry's property names. Each supply's uevent file holds all of its
// properties: one read instead of one per property.
std::optional<QVariantMap> LinuxHardware::batteryProperties()
{
    const QString supplies = QStringLiteral("/sys/class/power_supply/");
    for (const QString& name : m_tree.names(supplies)) {
        const QString base = supplies + name + u'/';
        const QHash<QString, QString> f = parseKeyValues(m_tree.text(base + QStringLiteral("uevent")).value_or(QString()));
        const auto field = [&](const char* key) { return f.value(QStringLiteral("POWER_SUPPLY_") + QLatin1String(key)); };
        // Kernels before 5.8 leave the type out of the uevent.
        const QString type = f.contains(QStringLiteral("POWER_SUPPLY_TYPE")) ? field("TYPE")
                                                                              : m_tree.text(base + QStringLiteral("type")).value_or(QString());
        if (type != QLatin1String("Battery") || field("SCOPE") == QLatin1String("Device"))
            continue;
        QVariantMap p;
        // A reading that does not fit once scaled is no reading.
        const auto put = [&](const char* key, const QString& value, qint64 scale = 1) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            qint64 scaled = 0;
            if (ok && !__builtin_mul_overflow(n, scale, &scaled))
                p.insert(QLatin1String(key), scaled);
        };
        put("CurrentCapacity", field("CAPACITY"));
        // Energy when the driver reports it, else charge: a ratio either way.
        const bool energy = f.contains(QStringLiteral("POWER_SUPPLY_ENERGY_FULL_DESIGN"));
        put("AppleRawMaxCapacity", energy ? field("ENERGY_FULL") : field("CHARGE_FULL"));
        put("DesignCapacity", energy ? field("ENERGY_FULL_DESIGN") : field("CHARGE_FULL_DESIGN"));
        put("CycleCount", field("CYCLE_COUNT"));
        put("Temperature", field("TEMP"), 10);  // tenths to hundredths of a degree
        if (f.contains(QStringLiteral("POWER_SUPPLY_PRESENT")))
            p.insert(QStringLiteral("BatteryInstalled"), field("PRESENT") != QLatin1String("0"));
        if (f.contains(QStringLiteral("POWER_SUPPLY_STATUS")))
            p.insert(QStringLiteral("IsCharging"), field("STATUS") == QLatin1String("Charging"));
        return p;
    }
    return std::nullopt;
}

// The short names of graphics makers by PCI vendor id.
QString gpuVendor(const QString& pciVendor)
{
    static const QHash<QString, QString> vendors{
        {QStringLiteral("0x8086"), QStringLiteral("Intel")},  {QStringLiteral("0x1002"), QStringLiteral("AMD")},
        {QStringLiteral("0x10de"), QStringLiteral("NVIDIA")}, {QStringLiteral("0x1a03"), QStringLiteral("ASPEED")},
        {QStringLiteral("0x15ad"), QStringLiteral("VMware")}, {QStringLiteral("0x1af4"), QStringLiteral("Virtio")},
        {QStringLiteral("0x1b36"), QStringLiteral("Red Hat")}, {QStringLiteral("0x1234"), QStringLiteral("QEMU")},
        {QStringLiteral("0x80ee"), QStringLiteral("VirtualBox")}, {QStringLiteral("0x102b"), QStringLiteral("Matrox")},
        {QStringLiteral("0x1414"), QStringLiteral("Microsoft")},
    };
    return vendors.value(pciVendor.toLower());
}

// A PCI id file's "0x10de" as the four hex digits the id lists use.
QString hexId(const QString& text)
{
    QString id = text.trimmed().toLower();
    if (id.startsWith(QLatin1String("0x")))
        id.remove(0, 2);
    static const QRegularExpression fourHex(QStringLiteral("^[0-9a-f]{4}$"));
    return fourHex.match(id).hasMatch() ? id : QString();
}

// Firmware framebuffers: a picture on the screen, not a graphics device.
bool isFirmwareFramebuffer(const QString& driver)
{
    static const char* const kDrivers[] = {"simple-framebuffer", "simpledrm", "efi-framebuffer", "vesa-framebuffer",
                                           "ofdrm", "of-display"};
    return std::any_of(std::begin(kDrivers), std::end(kDrivers), [&](const char* d) { return driver == QLatin1String(d); });
}

class SysfsProfiler final : public ProfilerRunner {
public:
    explicit SysfsProfiler(const QString& root) : m_tree(root) {}

    std::optional<QByteArray> run(const QString& type) override
    {
        QJsonArray items;
        if (type == QLatin1String("SPHardwareDataType"))
            items = hardware();
        else if (type == QLatin1String("SPDisplaysDataType"))
            items = displays();
        else if (type == QLatin1String("SPNVMeDataType"))
            items = nvme();
        else if (type == QLatin1String("SPSerialATADataType"))
            items = sata();
        else
            return std::nullopt;
        return QJsonDocument(QJsonObject{{type, items}}).toJson(QJsonDocument::Compact);
    }

private:
    QJsonArray hardware()
    {
        QJsonObject overview{{QStringLiteral("_name"), QStringLiteral("hardware_overview")}};
        const auto board = dmiBoard(m_tree);
        if (board && !board->model.isEmpty())
            overview.insert(QStringLiteral("machine_model"), board->model);
        if (const auto brand = cpuBrand(m_tree))
            overview.insert(QStringLiteral("chip_type"), *brand);
        return {overview};
    }

    // One item per graphics device, named as the kernel or the PCI id list
    // names it: a card's own product name, else the id list's name for its
    // vendor and device ids, else the ids themselves; a device off the PCI
    // bus without a product name goes by its driver. Firmware framebuffers
    // and cards without a device are left out.
    QJsonArray displays()
    {
        static const QRegularExpression card(QStringLiteral("^card[0-9]+$"));
        QJsonArray out;
        const QString drm = QStringLiteral("/sys/class/drm/");
        for (const QString& name : m_tree.names(drm)) {
            if (!card.match(name).hasMatch())
                continue;
            const QString model = graphicsName(drm + name + QStringLiteral("/device/"));
            if (!model.isEmpty())
                out.append(QJsonObject{{QStringLiteral("_name"), model}, {QStringLiteral("sppci_model"), model}});
        }
        return out;
    }

    QString graphicsName(const QString& device)
    {
        if (const auto product = m_tree.text(device + QStringLiteral("product_name")); product && !product->isEmpty())
            return *product;
        const QString vendor = hexId(m_tree.text(device + QStringLiteral("vendor")).value_or(QString()));
        if (vendor.isEmpty()) {
            const QString driver = m_tree.linkName(device + QStringLiteral("driver"));
            return isFirmwareFramebuffer(driver) ? QString() : driver;
        }
        const QString maker = gpuVendor(QStringLiteral("0x") + vendor);
        const QString id = hexId(m_tree.text(device + QStringLiteral("device")).value_or(QString()));
        const PciName listed = id.isEmpty() ? PciName{} : pciName(vendor, id);
        const QString vendorName = maker.isEmpty() ? listed.vendor : maker;
        if (!listed.device.isEmpty()) {
            if (vendorName.isEmpty() || listed.device.startsWith(vendorName, Qt::CaseInsensitive))
                return listed.device;
            return vendorName + u' ' + listed.device;
        }
        // As lspci names a device the id list does not know.
        const QString ids = id.isEmpty() ? vendor : vendor + u':' + id;
        if (vendorName.isEmpty())
            return QStringLiteral("PCI device ") + ids;
        return id.isEmpty() ? vendorName : vendorName + QStringLiteral(" Device ") + id;
    }

    struct PciName {
        QString vendor;
        QString device;
    };

    // The vendor's and the device's names in the PCI id list under the root
    // (empty when there is no list or it does not know them); each pair of
    // ids is looked up once.
    PciName pciName(const QString& vendor, const QString& device)
    {
        const QString key = vendor + u':' + device;
        const auto known = m_pciNames.constFind(key);
        if (known != m_pciNames.constEnd())
            return *known;
        PciName found;
        static const char* const kLists[] = {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids", "/usr/share/pci.ids"};
        for (const char* list : kLists) {
            const auto text = m_tree.text(QLatin1String(list), kPciIdsBytes);
            if (!text)
                continue;
            bool inVendor = false;
            for (QStringView line : QStringView(*text).split(u'\n')) {
                if (line.startsWith(u'#') || line.trimmed().isEmpty())
                    continue;
                if (!line.startsWith(u'\t')) {
                    // A vendor line, or the device classes that end the vendors.
                    if (inVendor || line.startsWith(QLatin1String("C ")))
                        break;
                    inVendor = line.left(4).compare(vendor, Qt::CaseInsensitive) == 0;
                    if (inVendor)
                        found.vendor = line.mid(4).trimmed().toString();
                } else if (inVendor && !line.startsWith(QLatin1String("\t\t"))
                           && line.mid(1, 4).compare(device, Qt::CaseInsensitive) == 0) {
                    found.device = line.mid(5).trimmed().toString();
                    break;
                }
            }
            break;
        }
        m_pciNames.insert(key, found);
        return found;
    }

    static QJsonObject device(const QString& model)
    {
        return {{QStringLiteral("_name"), model}, {QStringLiteral("device_model"), model}};
    }

    // One item per controller, holding its model as its one device.
    QJsonArray nvme()
    {
        QJsonArray out;
        const QString nvme = QStringLiteral("/sys/class/nvme/");
        for (const QString& name : m_tree.names(nvme)) {
            const auto model = m_tree.text(nvme + name + QStringLiteral("/model"));
            if (model && !model->isEmpty())
                out.append(QJsonObject{{QStringLiteral("_name"), name}, {QStringLiteral("_items"), QJsonArray{device(*model)}}});
        }
        return out;
    }

    // One controller holding the whole disks that libata drives.
    QJsonArray sata()
    {
        QJsonArray devices;
        for (const QString& name : wholeDiskNames(m_tree)) {
            const QString base = kBlock + name;
            const auto model = m_tree.text(base + QStringLiteral("/device/model"));
            if (m_tree.text(base + QStringLiteral("/device/vendor")) != QLatin1String("ATA") || !model || model->isEmpty())
                continue;
            QJsonObject d = device(*model);
            const bool spinning = m_tree.number(base + QStringLiteral("/queue/rotational")).value_or(0) != 0;
            d.insert(QStringLiteral("device_type"), spinning ? QStringLiteral("Rotational") : QStringLiteral("Solid State"));
            devices.append(d);
        }
        if (devices.isEmpty())
            return {};
        return {QJsonObject{{QStringLiteral("_name"), QStringLiteral("SATA")}, {QStringLiteral("_items"), devices}}};
    }

    TreeReader m_tree;
    QHash<QString, PciName> m_pciNames;
};

class CommandProfiler final : public ProfilerRunner {
public:
    CommandProfiler(const QString& program, std::chrono::milliseconds limit) : m_program(program), m_limit(limit) {}

    std::optional<QByteArray> run(const QString& type) override
    {
        const QDeadlineTimer deadline(m_limit);
        QProcess tool;
        tool.setStandardInputFile(QProcess::nullDevice());
        tool.start(m_program, {type, QStringLiteral("-json")});
        if (!tool.waitForStarted(int(m_limit.count())))
            return std::nullopt;
        QByteArray out;
        while (tool.state() != QProcess::NotRunning) {
            tool.waitForFinished(int(std::min<qint64>(deadline.remainingTime(), 50)));
            out += tool.readAllStandardOutput();
            tool.readAllStandardError();
            if (tool.state() != QProcess::NotRunning && (deadline.hasExpired() || out.size() > kProfilerOutputBytes)) {
                tool.kill();
                tool.waitForFinished(-1);
                return std::nullopt;
            }
        }
        out += tool.readAllStandardOutput();
        return out.size() > kProfilerOutputBytes ? std::nullopt : std::optional<QByteArray>(out);
    }

private:
    QString m_program;
    std::chrono::milliseconds m_limit;
};

// The physical size of a display in millimetres from its EDID: the first
// detailed timing's image size, else the base block's size in centimetres.
// Nothing for a block that is short, has no EDID header or a bad checksum.
std::optional<std::pair<double, double>> edidSizeMm(const QByteArray& edid)
{
    static const unsigned char kHeader[] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    if (edid.size() < 128 || std::memcmp(edid.constData(), kHeader, sizeof kHeader) != 0)
        return std::nullopt;
    const auto byte = [&](int i) { return int(static_cast<unsigned char>(edid[i])); };
    int sum = 0;
    for (int i = 0; i < 128; ++i)
        sum += byte(i);
    if (sum % 256 != 0)
        return std::nullopt;
    const int timing = 54;
    if (byte(timing) != 0 || byte(timing + 1) != 0) {
        const int w = byte(timing + 12) | (byte(timing + 14) & 0xf0) << 4;
        const int h = byte(timing + 13) | (byte(timing + 14) & 0x0f) << 8;
        if (w > 0 && h > 0)
            return std::pair<double, double>(w, h);
    }
    if (byte(21) > 0 && byte(22) > 0)
        return std::pair<double, double>(byte(21) * 10.0, byte(22) * 10.0);
    return std::nullopt;
}

} // namespace

namespace host {

std::unique_ptr<HostHardware> makeHostHardware(const QString& root) { return std::make_unique<LinuxHardware>(root); }

std::unique_ptr<ProfilerRunner> makeProfilerRunner(const QString& root)
{
    const QFileInfo tool(FileSystem(root, QStringLiteral("/")).toHostString(QStringLiteral("/usr/sbin/system_profiler")));
    if (tool.isFile() && tool.isExecutable())
        return makeCommandProfilerRunner(tool.filePath());
    return makeSysfsProfilerRunner(root);
}

std::unique_ptr<ProfilerRunner> makeCommandProfilerRunner(const QString& program, std::chrono::milliseconds limit)
{
    return std::make_unique<CommandProfiler>(program, limit);
}

std::unique_ptr<ProfilerRunner> makeSysfsProfilerRunner(const QString& root)
{
    return std::make_unique<SysfsProfiler>(root);
}

std::optional<double> builtInDisplayDiagonalInches(const QString& root)
{
    // Built-in panels sit on internal connectors; an external monitor, a
    // virtual display or a screen's dots per inch say nothing of the machine.
    static const QRegularExpression internal(QStringLiteral("^card[0-9]+-(eDP|LVDS|DSI)-[0-9]+$"));
    TreeReader tree(root);
    const QString drm = QStringLiteral("/sys/class/drm/");
    QByteArray edid;
    const FileSystem fs(root, QStringLiteral("/"));
    for (const QString& name : tree.names(drm)) {
        if (!internal.match(name).hasMatch())
            continue;
        if (!readRegularFile(fs.toHost(drm + name + QStringLiteral("/edid")).constData(), edid, kSmallFile))
            continue;
        if (const auto mm = edidSizeMm(edid)) {
            if (const auto inches = diagonalInches(mm->first, mm->second))
                return inches;
        }
    }
    return std::nullopt;
}

} // namespace host
} // namespace tw
