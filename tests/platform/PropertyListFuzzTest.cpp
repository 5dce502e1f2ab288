// A seeded fuzzer for the property-list reader: random well-formed lists in
// both formats must come back whole, and thousands of damaged, deep, shared
// and NUL-laden ones must be read or refused without a crash, a hang or a
// value beyond the bounds.

#include "platform/PropertyList.h"
#include "platform/PropertyListCheck.h"
#include "support/BinaryPlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace tw;

namespace {

int containerDepth(const QVariant& v)
{
    int deepest = 0;
    if (v.typeId() == QMetaType::QVariantList)
        for (const QVariant& child : v.toList())
            deepest = std::max(deepest, containerDepth(child));
    else if (v.typeId() == QMetaType::QVariantMap)
        for (const QVariant& child : v.toMap())
            deepest = std::max(deepest, containerDepth(child));
    else
        return 0;
    return deepest + 1;
}

qint64 nodeCount(const QVariant& v)
{
    qint64 n = 1;
    if (v.typeId() == QMetaType::QVariantList)
        for (const QVariant& child : v.toList())
            n += nodeCount(child);
    if (v.typeId() == QMetaType::QVariantMap)
        for (const QVariant& child : v.toMap())
            n += 1 + nodeCount(child);  // the key and the value
    return n;
}

class Fuzzer {
public:
    explicit Fuzzer(std::uint64_t seed) : m_rng(seed) {}

    int below(int n) { return int(m_rng() % std::uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }

    // A well-formed value of the types a list holds, nested at most depth deep.
    QVariant value(int depth)
    {
        const int kind = below(depth > 0 ? 9 : 7);
        switch (kind) {
        case 0: return text();
        case 1: return qint64(m_rng() % (std::uint64_t(1) << 40));
        case 2: return chance(50);
        case 3: return std::vector<double>{0.5, -2.25, 1e10, 3.0, 0.0}[size_t(below(5))];
        case 4: {
            QByteArray data(below(40), '\0');
            for (char& c : data)
                c = char(m_rng());
            return data;
        }
        case 5: return QDateTime::fromSecsSinceEpoch(978307200 + qint64(m_rng() % 2000000000), Qt::UTC);
        case 6: return text();
        case 7: {
            QVariantList list;
            for (int n = below(6); n > 0; --n)
                list << value(depth - 1);
            return list;
        }
        default: {
            QVariantMap map;
            for (int n = below(6); n > 0; --n)
                map.insert(text(1), value(depth - 1));
            return map;
        }
        }
    }

    // Printable text with XML's special characters, accents, CJK and a
    // character beyond the basic plane: no control characters, no NUL.
    QString text(int atLeast = 0)
    {
        static const QString pieces[] = {"a", "Z", "7", " ", "<", ">", "&", "\"", "'", ";", "é", "ß", "漢", "字", "😀", "&#0;"};
        QString out;
        for (int n = atLeast + below(12); n > 0; --n)
            out += pieces[below(int(std::size(pieces)))];
        return out;
    }

    QByteArray mutate(QByteArray data)
    {
        static const char kMarkup[] = "&#x0;<array><dict>\0\xD8";
        for (int n = 1 + below(4); n > 0 && !data.isEmpty(); --n) {
            const qsizetype at = qsizetype(m_rng() % std::uint64_t(data.size()));
            static const char interesting[] = {0, 1, 0x0F, 0x10, 0x13, 0x5F, 0x6F, 0x7F, char(0x80), char(0xAF), char(0xD1),
                                               char(0xDF), char(0xFF), '<', '>', '&', '#', '/', '!', '['};
            switch (below(7)) {
            case 0: data[at] = char(data[at] ^ (1 << below(8))); break;
            case 1: data[at] = interesting[below(int(sizeof interesting))]; break;
            case 2: data.truncate(at); break;
            case 3: data.remove(at, 1 + below(16)); break;
            case 4: data.insert(at, data.mid(qsizetype(m_rng() % std::uint64_t(data.size())), 1 + below(64))); break;
            case 5: data.insert(at, QByteArray(kMarkup, sizeof kMarkup - 1).mid(below(20), 1 + below(8))); break;
            default: retarget(data); break;
            }
        }
        return data;
    }

private:
    // Rewrites one field of a binary trailer (widths, count, top, table) or,
    // in XML, doubles a slice of the text.
    void retarget(QByteArray& data)
    {
        if (!data.startsWith("bplist00") || data.size() < 40) {
            const qsizetype from = qsizetype(m_rng() % std::uint64_t(data.size()));
            data.insert(from, data.mid(from, 1 + below(200)));
            return;
        }
        const qsizetype trailer = data.size() - 32;
        const int field = below(5);
        if (field < 2) {
            data[trailer + 6 + field] = char(below(10));
            return;
        }
        static const std::uint64_t values[] = {0, 1, 2, 7, 0xFF, 0xFFFFFFFF, std::uint64_t(1) << 62, ~std::uint64_t(0)};
        QByteArray field8;
        tw::test::appendBigEndian(field8, values[below(int(std::size(values)))], 8);
        data.replace(trailer + 8 * (field - 1), 8, field8);
    }

    std::mt19937_64 m_rng;
};

} // namespace

TEST(PropertyListFuzz, RandomWellFormedListsComeBackWhole)
{
    Fuzzer f(0x71de11);
    for (int i = 0; i < 500; ++i) {
        const QVariant original = f.value(6);
        for (const bool binary : {false, true}) {
            const QByteArray data = binary ? plist::toBinary(original) : plist::toXml(original);
            ASSERT_TRUE(binary ? plist::binaryWithinLimits(data) : plist::xmlWithinLimits(data)) << i << data.constData();
            const auto parsed = plist::parse(data);
            ASSERT_TRUE(parsed) << i << ' ' << binary;
            EXPECT_EQ(*parsed, original) << i << ' ' << binary << ' ' << data.constData();
        }
    }
}

TEST(PropertyListFuzz, DamagedListsAreReadOrRefusedWithinTheBounds)
{
    Fuzzer f(20261206);
    std::vector<QByteArray> seeds;
    for (int i = 0; i < 24; ++i) {
        const QVariant v = f.value(5);
        seeds.push_back(plist::toXml(v));
        seeds.push_back(plist::toBinary(v));
    }
    seeds.push_back(tw::test::referenceBomb(14));
    seeds.push_back(tw::test::binaryNested(plist::kMaxDepth));
    seeds.push_back(tw::test::xmlNested(plist::kMaxDepth));
    seeds.push_back(tw::test::xmlDocument("<dict><key>k</key><string>a&#x1;b</string><key>d</key><data>AAEC</data></dict>"));

    int read = 0, refused = 0;
    for (int i = 0; i < 4000; ++i) {
        const QByteArray data = f.mutate(seeds[size_t(f.below(int(seeds.size())))]);
        const auto parsed = plist::parse(data);
        if (!parsed) {
            ++refused;
            continue;
        }
        ++read;
        EXPECT_LE(containerDepth(*parsed), plist::kMaxDepth) << i;
        EXPECT_LE(nodeCount(*parsed), plist::kMaxObjects) << i;
    }
    // Both outcomes are exercised, so neither check above is idle.
    EXPECT_GT(read, 400);
    EXPECT_GT(refused, 400);
}

TEST(PropertyListFuzz, DeepAndSharedShapesAreRefusedExactlyBeyondTheBounds)
{
    Fuzzer f(42);
    for (int i = 0; i < 300; ++i) {
        const int levels = 1 + f.below(2 * plist::kMaxDepth);
        const bool binary = f.chance(50);
        const QByteArray data = binary ? tw::test::binaryNested(levels) : tw::test::xmlNested(levels);
        EXPECT_EQ(plist::parse(data).has_value(), levels <= plist::kMaxDepth) << levels << ' ' << binary;
    }
    // Small leaves meet the object bound first, large ones the byte bound.
    for (int i = 0; i < 120; ++i) {
        const int levels = 1 + f.below(24);
        const qsizetype leaf = f.chance(50) ? 1 : 4000;
        const qint64 copies = qint64(1) << levels;
        const bool fits = 2 * copies - 1 <= plist::kMaxObjects && copies * leaf <= plist::kMaxExpandedBytes;
        if (fits && copies * leaf > (4 << 20))
            continue;  // slow to build; the exact edge has a test of its own
        EXPECT_EQ(plist::parse(tw::test::referenceBomb(levels, QByteArray(leaf, 'b'))).has_value(), fits)
            << levels << ' ' << leaf;
    }
}
