#include "monitor/HardwareIdentityReader.h"

#include "monitor/AppleSerialDecoder.h"
#include "platform/Services.h"
#include "platform/PropertyList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {

namespace {

constexpr qint64 kProfilerFreshMs = 30'000;
constexpr qint64 kSsdFreshMs = 60'000;
constexpr int kRegistryDepth = 12;

const QString kNotAvailable = QStringLiteral("Not available");

// A date taken less than `ms` before now; one in the future (the clock was
// set back) counts as old.
bool fresh(const QDateTime& taken, const QDateTime& now, qint64 ms)
{
    if (!taken.isValid())
        return false;
    const qint64 age = taken.msecsTo(now);
    return age >= 0 && age < ms;
}

std::optional<double> number(const QVariantMap& d, const QString& key)
{
    const QVariant v = d.value(key);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return v.toDouble();
    default:
        return std::nullopt;
    }
}

// A Boolean, or a number read as one.
std::optional<bool> boolean(const QVariantMap& d, const QString& key)
{
    if (d.value(key).typeId() == QMetaType::Bool)
        return d.value(key).toBool();
    if (const auto n = number(d, key))
        return *n != 0;
    return std::nullopt;
}

std::optional<QString> nonEmpty(std::optional<QString> s)
{
    return s && !s->isEmpty() ? s : std::nullopt;
}

// The text under the first key, or under the second when the first holds no text.
std::optional<QString> stringEither(const QVariantMap& d, const QString& first, const QString& second)
{
    auto s = plist::string(d, first);
    return s ? s : plist::string(d, second);
}

// The dictionaries of an item's "_items" array.
QList<QVariantMap> children(const QVariantMap& item)
{
    QList<QVariantMap> out;
    for (const QVariant& v : plist::array(item, QStringLiteral("_items")).value_or(QVariantList())) {
        if (v.typeId() == QMetaType::QVariantMap)
            out << v.toMap();
    }
    return out;
}

// "AP" followed by at least minDigits digits, anywhere in the text.
bool containsApDigits(QStringView upper, int minDigits)
{
    for (qsizetype i = upper.indexOf(u"AP"); i >= 0; i = upper.indexOf(u"AP", i + 1)) {
        int digits = 0;
        for (qsizetype j = i + 2; j < upper.size() && upper[j].isDigit() && digits < minDigits; ++j)
            ++digits;
        if (digits >= minDigits)
            return true;
    }
    return false;
}

std::optional<QList<QVariantMap>> parseProfilerItems(const QByteArray& json, const QString& type)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonValue entry = doc.object().value(type);
    if (!entry.isArray())
        return std::nullopt;
    QList<QVariantMap> items;
    for (const QJsonValue& v : entry.toArray()) {
        if (!v.isObject())
            return std::nullopt;
        items << v.toObject().toVariantMap();
    }
    return items;
}

// "Family (14-inch)", or the family alone without a screen size.
QString titleWithoutYear(const MacModelInfo& info)
{
    if (!info.screenInches)
        return info.family;
    const double inches = *info.screenInches;
    const QString size = QString::number(inches, 'f', std::floor(inches) == inches ? 0 : 1);
    return info.family + QStringLiteral(" (") + size + QStringLiteral("-inch)");
}

} // namespace

HardwareIdentityReader::HardwareIdentityReader(IdentitySources sources) : m(std::move(sources))
{
    if (!m.tables)
        m.tables = &machardwarecatalog::divadaTables();
}

std::optional<QList<QVariantMap>> HardwareIdentityReader::runSystemProfilerJSON(const QString& type)
{
    if (fresh(m_profilerCacheDate, m.clock->now(), kProfilerFreshMs)) {
        const auto it = m_profilerCache.constFind(type);
        if (it != m_profilerCache.constEnd())
            return *it;
    }
    const auto output = m.profiler->run(type);
    auto items = output ? parseProfilerItems(*output, type) : std::nullopt;
    if (items) {
        m_profilerCache.insert(type, *items);
        m_profilerCacheDate = m.clock->now();
    }
    return items;
}

QString HardwareIdentityReader::composeOsVersion()
{
    const OsVersion os = m.host->osVersion();
    QString text = os.product;
    if (!os.version.isEmpty())
        text += u' ' + os.version;
    if (!os.build.isEmpty())
        text += QStringLiteral(" (") + os.build + u')';
    return text;
}

void HardwareIdentityReader::takeHardwareOverview(HardwareIdentity& id, const QString& brand)
{
    id.chip = brand;
    const auto items = runSystemProfilerJSON(QStringLiteral("SPHardwareDataType"));
    if (!items || items->isEmpty())
        return;
    const QVariantMap& d = items->first();
    if (const auto name = plist::string(d, QStringLiteral("machine_name")))
        id.machineName = *name;
    id.modelNumber = plist::string(d, QStringLiteral("model_number")).value_or(QString());
    if (const auto model = plist::string(d, QStringLiteral("machine_model")))
        id.identifier = *model;
    id.chip = plist::string(d, QStringLiteral("chip_type")).value_or(brand);
}

HardwareIdentity HardwareIdentityReader::readHardwareIdentity()
{
    HardwareIdentity id;
    id.osVersion = composeOsVersion();
    const QString brand = m.host->processorBrand().value_or(QStringLiteral("Apple Silicon"));
    id.machineName = nonEmpty(m.host->hostName()).value_or(QStringLiteral("Mac"));
    if (const auto board = m.host->platformExpert()) {
        if (!board->model.isEmpty())
            id.identifier = board->model;
        id.serial = board->serial;
    }
    takeHardwareOverview(id, brand);

    // The graphics device as the profiler names it; the processor is not
    // the graphics card, so without a name there is none.
    const auto displays = runSystemProfilerJSON(QStringLiteral("SPDisplaysDataType"));
    if (displays && !displays->isEmpty()) {
        const QVariantMap& first = displays->first();
        id.graphics = stringEither(first, QStringLiteral("sppci_model"), QStringLiteral("_name")).value_or(QString());
    }

    namespace catalog = machardwarecatalog;
    const auto diagonal = m.mainDisplayDiagonal ? m.mainDisplayDiagonal() : std::nullopt;
    const int thisYear = m.clock->now().toLocalTime().date().year();
    if (const auto info = catalog::resolve(id.identifier, id.machineName, diagonal, *m.tables, thisYear)) {
        // A model the catalog and the release dates do not know has no year
        // of its own (resolve gives it this year): it is titled without one.
        const auto release = catalog::divadaValue(m.tables->releaseDates, id.identifier);
        const bool knownYear = catalog::lookup(id.identifier)
            || (release && catalog::introYear(catalog::formatReleaseDateDivadaStyle(*release)));
        if (knownYear) {
            id.marketingTitle = info->displayTitle();
            id.modelYear = info->introYear;
        } else {
            id.marketingTitle = titleWithoutYear(*info);
        }
    } else {
        id.marketingTitle = id.machineName;
    }
    if (const auto number = nonEmpty(catalog::divadaValue(m.tables->modelNumbers, id.identifier)))
        id.modelNumber = *number;
    else if (!isAppleANumber(id.modelNumber))
        id.modelNumber.clear();
    if (const auto release = catalog::divadaValue(m.tables->releaseDates, id.identifier))
        id.releaseDate = catalog::formatReleaseDateDivadaStyle(*release);

    const auto decoded = appleserialdecoder::decode(id.serial);
    id.manufactureDate = decoded ? decoded->manufactureDateDisplay.value_or(kNotAvailable) : kNotAvailable;
    id.origin = decoded ? decoded->origin.value_or(kNotAvailable) : kNotAvailable;
    return id;
}

bool HardwareIdentityReader::isAppleANumber(const QString& text)
{
    const QString s = text.trimmed().toUpper();
    if (s.size() < 4 || s.size() > 6 || !s.startsWith(u'A'))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [](QChar c) { return c.isNumber(); });
}

bool HardwareIdentityReader::isRealAppleSSDProductName(const QString& name)
{
    static const char* const kRejected[] = {"APPLE SSD CONTROLLER", "SSD CONTROLLER", "APPLEANS",
                                            "APPLE NVME CONTROLLER", "NVME CONTROLLER", "DISK IMAGE", "VIRTUAL"};
    const QString trimmed = name.trimmed();
    if (trimmed.size() < 8)
        return false;
    const QString upper = trimmed.toUpper();
    for (const char* word : kRejected) {
        if (upper.contains(QLatin1String(word)))
            return false;
    }
    if (upper.contains(QLatin1String("APPLE SSD")) || containsApDigits(upper, 3))
        return true;
    return upper.contains(QLatin1String("SSD")) && !upper.contains(QLatin1String("CONTROLLER"));
}

std::optional<QString> HardwareIdentityReader::preferAppleSSD(const QStringList& candidates)
{
    QStringList kept;
    for (const QString& c : candidates) {
        if (isRealAppleSSDProductName(c))
            kept << c.trimmed();
    }
    if (kept.isEmpty())
        return std::nullopt;
    const auto apple = [](const QString& s) { return s.toUpper().contains(QLatin1String("APPLE SSD")); };
    for (const QString& s : kept) {
        if (apple(s) && containsApDigits(s.toUpper(), 1))
            return s;
    }
    const auto it = std::find_if(kept.cbegin(), kept.cend(), apple);
    return it != kept.cend() ? *it : kept.first();
}

std::optional<QString> HardwareIdentityReader::registryProductName(const QVariantMap& properties)
{
    const QString product = QStringLiteral("Product Name");
    const QString model = QStringLiteral("Model");
    if (const auto traits = plist::dictionary(properties, QStringLiteral("Device Characteristics"))) {
        if (const auto name = nonEmpty(stringEither(*traits, product, model)))
            return name;
    }
    if (const auto name = nonEmpty(stringEither(properties, product, model)))
        return name;
    return nonEmpty(plist::string(properties, QStringLiteral("Model Name")));
}

std::optional<QString> HardwareIdentityReader::productNameFromIORegistry(const RegistryChain& chain)
{
    const auto depth = std::min<std::size_t>(chain.size(), kRegistryDepth);
    for (std::size_t i = 0; i < depth; ++i) {
        const auto name = registryProductName(chain[i]);
        if (name && isRealAppleSSDProductName(*name))
            return name;
    }
    return std::nullopt;
}

std::optional<QString> HardwareIdentityReader::ioRegistryDiskProductName()
{
    for (const RegistryChain& chain : m.host->storageMedia()) {
        if (chain.empty() || !boolean(chain.front(), QStringLiteral("Whole")).value_or(false))
            continue;
        if (const auto name = productNameFromIORegistry(chain))
            return name;
        if (const auto bsd = nonEmpty(plist::string(chain.front(), QStringLiteral("BSD Name"))))
            return bsd;
    }
    return std::nullopt;
}

std::optional<QString> HardwareIdentityReader::profilerStorageModel(const QVariantMap& item)
{
    static const char* const kKeys[] = {"model_name", "device_model", "bsd_name_model", "model", "device_serial", "_name"};
    for (const char* key : kKeys) {
        const auto text = plist::string(item, QLatin1String(key));
        if (text && isRealAppleSSDProductName(text->trimmed()))
            return text->trimmed();
    }
    return std::nullopt;
}

std::optional<QString> HardwareIdentityReader::nvmeSSDModelFromProfiler()
{
    for (const QVariantMap& item : runSystemProfilerJSON(QStringLiteral("SPNVMeDataType")).value_or(QList<QVariantMap>())) {
        if (auto name = profilerStorageModel(item))
            return name;
        for (const QVariantMap& device : children(item)) {
            if (auto name = profilerStorageModel(device))
                return name;
        }
    }
    return std::nullopt;
}

std::optional<QString> HardwareIdentityReader::sataSSDModelFromProfiler()
{
    const auto solidState = [](const QVariantMap& device) {
        if (plist::string(device, QStringLiteral("device_type")).value_or(QString()).toLower().contains(QLatin1String("solid state")))
            return true;
        return plist::string(device, QStringLiteral("_name")).value_or(QString()).toUpper().contains(QLatin1String("SSD"));
    };
    for (const QVariantMap& item : runSystemProfilerJSON(QStringLiteral("SPSerialATADataType")).value_or(QList<QVariantMap>())) {
        if (auto name = profilerStorageModel(item))
            return name;
        for (const QVariantMap& device : children(item)) {
            if (!solidState(device))
                continue;
            if (auto name = profilerStorageModel(device))
                return name;
        }
    }
    return std::nullopt;
}

QString HardwareIdentityReader::readSSDProductName()
{
    if (m_ssdProductCache && isRealAppleSSDProductName(*m_ssdProductCache)) {
        if (fresh(m_ssdProductCacheDate, m.clock->now(), kSsdFreshMs))
            return *m_ssdProductCache;
    } else if (m_ssdProductCache) {
        m_ssdProductCache.reset();
        m_ssdProductCacheDate = {};
    }
    QStringList kept;
    for (const auto& candidate : {nvmeSSDModelFromProfiler(), sataSSDModelFromProfiler(), ioRegistryDiskProductName()}) {
        if (candidate && isRealAppleSSDProductName(*candidate))
            kept << *candidate;
    }
    const QString name = preferAppleSSD(kept).value_or(kept.isEmpty() ? QString() : kept.first());
    if (isRealAppleSSDProductName(name)) {
        m_ssdProductCache = name;
        m_ssdProductCacheDate = m.clock->now();
    } else {
        m_ssdProductCache.reset();
        m_ssdProductCacheDate = {};
    }
    return name;
}

std::optional<BatteryReading> HardwareIdentityReader::batteryFrom(const QVariantMap& p)
{
    const QString current = QStringLiteral("CurrentCapacity");
    if (!boolean(p, QStringLiteral("BatteryInstalled")).value_or(false) && !p.contains(current))
        return std::nullopt;
    BatteryReading b;
    // A reading outside what the value can be counts as none.
    const auto within = [&](const QString& key, double low, double high) -> std::optional<double> {
        const auto n = number(p, key);
        return n && *n >= low && *n <= high ? n : std::nullopt;
    };
    // The charge in whole percent, 0 to 100; an integer above 100 is read as full.
    b.charge = std::min(std::trunc(within(current, 0, HUGE_VAL).value_or(0)), 100.0);
    const double max = number(p, QStringLiteral("MaxCapacity")).value_or(100);
    const double design = number(p, QStringLiteral("DesignCapacity")).value_or(0);
    const auto raw = number(p, QStringLiteral("AppleRawMaxCapacity"));
    if (raw && design > 0 && *raw > 0)
        b.health = std::min(*raw / design * 100, 100.0);
    else
        b.health = max > 0 && max <= 100 ? max : 100;
    b.cycles = int(within(QStringLiteral("CycleCount"), 0, std::numeric_limits<int>::max()).value_or(0));
    b.charging = boolean(p, QStringLiteral("IsCharging")).value_or(false);
    if (const auto t = number(p, QStringLiteral("Temperature")); t && *t > 0 && std::isfinite(*t))
        b.temperatureC = *t / 100;
    return b;
}

std::optional<BatteryReading> HardwareIdentityReader::readBattery()
{
    const auto properties = m.host->batteryProperties();
    return properties ? batteryFrom(*properties) : std::nullopt;
}

} // namespace tw
