#include "platform/PropertyList.h"
#include "platform/PropertyListCheck.h"

#include <plist/plist.h>

#include <cerrno>
#include <memory>

namespace tw::plist {

namespace {

constexpr qint64 kAppleEpochOffset = 978307200;  // 2001-01-01 in Unix seconds

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using Owned = std::unique_ptr<void, PlistFree>;

QVariant toVariant(plist_t node, int depth)
{
    if (!node || depth > kMaxDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                free(key);
                break;
            }
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            free(key);
        }
        free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(n);
        for (uint32_t i = 0; i < n; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return list;
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        QString out = QString::fromUtf8(s);
        free(s);
        return out;
    }
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return bool(b);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return qint64(v);
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return v;
    }
    case PLIST_DATA: {
        char* d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        QByteArray out(d, qsizetype(len));
        free(d);
        return out;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QDateTime::fromMSecsSinceEpoch((qint64(sec) + kAppleEpochOffset) * 1000 + usec / 1000, Qt::UTC);
    }
    default:
        return {};
    }
}

plist_t fromVariant(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t d = plist_new_dict();
        const QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            if (plist_t child = fromVariant(it.value()))
                plist_dict_set_item(d, it.key().toUtf8().constData(), child);
        return d;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t a = plist_new_array();
        for (const QVariant& item : v.toList())
            if (plist_t child = fromVariant(item))
                plist_array_append_item(a, child);
        return a;
    }
    case QMetaType::Bool:
        return plist_new_bool(v.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return plist_new_uint(uint64_t(v.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return plist_new_data(b.constData(), uint64_t(b.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
        return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    case QMetaType::QString:
        return plist_new_string(v.toString().toUtf8().constData());
    default:
        return nullptr;
    }
}

} // namespace

std::optional<QVariant> parse(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > kMaxBytes)
        return std::nullopt;
    plist_t root = nullptr;
    if (plist_is_binary(data.constData(), uint32_t(data.size()))) {
        if (binaryWithinLimits(data))
            plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    } else if (data.trimmed().startsWith('<')) {
        if (const auto xml = xmlForParser(data))
            plist_from_xml(xml->constData(), uint32_t(xml->size()), &root);
    }
    if (!root)
        return std::nullopt;
    Owned owned(root);
    QVariant v = toVariant(root, 0);
    if (!v.isValid())
        return std::nullopt;
    return v;
}

std::optional<QVariant> read(const FileSystem& fs, const QString& path)
{
    const auto data = fs.readFile(path, kMaxBytes);
    return data ? parse(*data) : std::nullopt;
}

std::optional<QVariantMap> readDictionary(const FileSystem& fs, const QString& path)
{
    const auto v = read(fs, path);
    if (!v || v->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return v->toMap();
}

static QByteArray serialize(const QVariant& value, bool binary)
{
    plist_t root = fromVariant(value);
    if (!root)
        return {};
    Owned owned(root);
    char* out = nullptr;
    uint32_t len = 0;
    if (binary)
        plist_to_bin(root, &out, &len);
    else
        plist_to_xml(root, &out, &len);
    QByteArray result(out, qsizetype(len));
    free(out);
    return result;
}

QByteArray toXml(const QVariant& value) { return serialize(value, false); }
QByteArray toBinary(const QVariant& value) { return serialize(value, true); }

Status writeXml(const FileSystem& fs, const QString& path, const QVariant& value)
{
    const QByteArray xml = toXml(value);
    if (xml.isEmpty())
        return Error::posix(EINVAL);
    return fs.writeFileAtomic(path, xml);
}

std::optional<QString> string(const QVariantMap& d, const QString& key)
{
    const auto it = d.constFind(key);
    if (it == d.cend() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

std::optional<QVariantMap> dictionary(const QVariantMap& d, const QString& key)
{
    const auto it = d.constFind(key);
    if (it == d.cend() || it->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return it->toMap();
}

std::optional<QVariantList> array(const QVariantMap& d, const QString& key)
{
    const auto it = d.constFind(key);
    if (it == d.cend() || it->typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return it->toList();
}

} // namespace tw::plist
