// Property lists from a hostile disk: what the parser must never see.

#include "platform/PropertyList.h"
#include "platform/PropertyListCheck.h"
#include "support/BinaryPlist.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

using namespace tw;
using tw::test::BinaryPlist;
using tw::test::binaryNested;
using tw::test::referenceBomb;
using tw::test::xmlDocument;
using tw::test::xmlNested;

namespace {

int depthOf(const QVariant& v)
{
    if (v.typeId() != QMetaType::QVariantList)
        return 0;
    const QVariantList list = v.toList();
    return 1 + (list.isEmpty() ? 0 : depthOf(list.first()));
}

} // namespace

TEST(PropertyListLimits, StringsHoldingNulReadAsUnreadableWhileTheirNeighboursStillParse)
{
    struct Case {
        const char* what;
        QByteArray data;
        bool accepted;
    };
    auto utf16Dict = [](const std::u16string& key, const std::u16string& value) {
        BinaryPlist b;
        const int k = b.utf16(key), v = b.utf16(value);
        return b.finish(b.dict({k}, {v}));
    };
    auto asciiDict = [](const QByteArray& key, const QByteArray& value) {
        BinaryPlist b;
        const int k = b.ascii(key), v = b.ascii(value);
        return b.finish(b.dict({k}, {v}));
    };
    const Case cases[] = {
        {"xml plain", xmlDocument("<dict><key>k</key><string>caf&#xE9; &#233;</string></dict>"), true},
        {"xml raw NUL", xmlDocument(QByteArray("<dict><key>k</key><string>a\0b</string></dict>", 44)), false},
        {"xml decimal NUL", xmlDocument("<dict><key>k</key><string>a&#0;b</string></dict>"), false},
        {"xml hex NUL", xmlDocument("<dict><key>k</key><string>a&#x0000;b</string></dict>"), false},
        {"xml NUL in key", xmlDocument("<dict><key>&#x0;</key><string>v</string></dict>"), false},
        {"xml surrogate", xmlDocument("<dict><key>k</key><string>&#xD800;</string></dict>"), false},
        {"xml beyond unicode", xmlDocument("<dict><key>k</key><string>&#x110000;</string></dict>"), false},
        {"xml huge reference", xmlDocument("<dict><key>k</key><string>&#99999999999999999999;</string></dict>"), false},
        {"utf16 plain", utf16Dict(u"k", u"caf\u00e9"), true},
        {"utf16 NUL in value", utf16Dict(u"k", std::u16string(u"a\0b", 3)), false},
        {"utf16 NUL in key", utf16Dict(std::u16string(u"\0", 1), u"v"), false},
        {"ascii NUL in value", asciiDict("k", QByteArray("a\0b", 3)), false},
        {"ascii plain", asciiDict("k", "v"), true},
    };
    for (const Case& c : cases) {
        const auto parsed = plist::parse(c.data);
        EXPECT_EQ(parsed.has_value(), c.accepted) << c.what;
        if (parsed && c.accepted) {
            EXPECT_FALSE(parsed->toMap().value("k").toString().isEmpty()) << c.what;
        }
    }
    EXPECT_EQ(plist::parse(utf16Dict(u"k", u"caf\u00e9"))->toMap().value("k").toString(), QStringLiteral("café"));

    // An application whose Info.plist holds one reads as having no Info.plist.
    tw::test::MacTree t;
    t.write("/Applications/Nul.app/Contents/Info.plist", utf16Dict(u"CFBundleIdentifier", std::u16string(u"com.\0x", 6)));
    EXPECT_EQ(plist::readDictionary(t.fs(), "/Applications/Nul.app/Contents/Info.plist"), std::nullopt);
}

TEST(PropertyListLimits, NestingIsBoundedBeforeParsingInBothFormats)
{
    for (const bool binary : {false, true}) {
        auto nested = [binary](int levels) { return binary ? binaryNested(levels) : xmlNested(levels); };
        const auto deepest = plist::parse(nested(plist::kMaxDepth));
        ASSERT_TRUE(deepest) << binary;
        EXPECT_EQ(depthOf(*deepest), plist::kMaxDepth) << binary;
        EXPECT_EQ(plist::parse(nested(plist::kMaxDepth + 1)), std::nullopt) << binary;
        // Deep enough to overflow the stack of a recursive parser.
        EXPECT_EQ(plist::parse(nested(200000)), std::nullopt) << binary;
    }
    // Dictionaries count as much as arrays, and unclosed elements as much as closed ones.
    const QByteArray dicts = QByteArray("<dict><key>k</key>").repeated(plist::kMaxDepth + 1);
    EXPECT_EQ(plist::parse(xmlDocument(dicts + "<true/>" + QByteArray("</dict>").repeated(plist::kMaxDepth + 1))),
              std::nullopt);
    EXPECT_EQ(plist::parse(xmlDocument(QByteArray("<string>").repeated(200000))), std::nullopt);
}

TEST(PropertyListLimits, SharedObjectsCountAtEveryReference)
{
    // A few shared levels are an ordinary file.
    const auto small = plist::parse(referenceBomb(10));
    ASSERT_TRUE(small);
    EXPECT_EQ(depthOf(*small), 10);
    EXPECT_EQ(small->toList().size(), 2);

    // 300 bytes that would expand into 2^30 copies.
    const QByteArray bomb = referenceBomb(30);
    EXPECT_LT(bomb.size(), 300);
    EXPECT_EQ(plist::parse(bomb), std::nullopt);

    // Few references to a large string expand up to the byte budget, not past it.
    const QByteArray large(plist::kMaxExpandedBytes / 128, 'a');
    EXPECT_TRUE(plist::parse(referenceBomb(7, large)));
    EXPECT_EQ(plist::parse(referenceBomb(7, large + 'a')), std::nullopt);

    // One array naming one object more often than the object budget allows.
    BinaryPlist flat;
    const int leaf = flat.boolean(true);
    const int many = flat.array(std::vector<int>(size_t(plist::kMaxObjects), leaf));
    EXPECT_EQ(plist::parse(flat.finish(many)), std::nullopt);

    // A container holding itself.
    BinaryPlist loop;
    loop.array({0});
    EXPECT_EQ(plist::parse(loop.finish(0)), std::nullopt);

    // The same budget for XML elements.
    EXPECT_EQ(plist::parse(xmlDocument("<array>" + QByteArray("<true/>").repeated(int(plist::kMaxObjects)) + "</array>")),
              std::nullopt);
    EXPECT_TRUE(plist::parse(xmlDocument("<array>" + QByteArray("<true/>").repeated(1000) + "</array>")));
}

TEST(PropertyListLimits, OversizedFilesAreNeitherParsedNorRead)
{
    const QByteArray filler(plist::kMaxBytes, 'a');
    const QByteArray big = xmlDocument("<string>" + filler + "</string>");
    EXPECT_EQ(plist::parse(big), std::nullopt);
    const QByteArray fits = xmlDocument("<string>" + filler.left(plist::kMaxBytes - 512) + "</string>");
    ASSERT_LE(fits.size(), plist::kMaxBytes);
    EXPECT_TRUE(plist::parse(fits));

    tw::test::MacTree t;
    t.write("/big.plist", big);
    EXPECT_EQ(plist::read(t.fs(), "/big.plist"), std::nullopt);
    t.write("/fits.plist", fits);
    EXPECT_TRUE(plist::read(t.fs(), "/fits.plist"));
}

TEST(PropertyListLimits, MalformedBinaryTablesReadAsUnreadable)
{
    BinaryPlist b;
    const int key = b.ascii("k");
    const int value = b.integer(7);
    const int top = b.dict({key}, {value});
    const QByteArray good = b.finish(top);
    ASSERT_TRUE(plist::binaryWithinLimits(good));
    ASSERT_EQ(plist::parse(good)->toMap().value("k").toLongLong(), 7);
    // Widths beyond the needed ones are as good.
    EXPECT_TRUE(plist::binaryWithinLimits(b.finish(top, 8, 8)));
    EXPECT_EQ(plist::parse(b.finish(top, 3, 5))->toMap().value("k").toLongLong(), 7);

    auto patched = [&](qsizetype at, char byte) {
        QByteArray d = good;
        d[at] = byte;
        return d;
    };
    const qsizetype trailer = good.size() - 32;
    struct Case {
        const char* what;
        QByteArray data;
    };
    const Case cases[] = {
        {"truncated trailer", good.left(good.size() - 1)},
        {"header only", good.left(8)},
        {"offset width 0", patched(trailer + 6, 0)},
        {"offset width 9", patched(trailer + 6, 9)},
        {"ref width 0", patched(trailer + 7, 0)},
        {"no objects", patched(trailer + 15, 0)},
        {"top out of range", patched(trailer + 23, 3)},
        {"table past the end", patched(trailer + 31, char(0x7F))},
        {"ref out of range", patched(good.indexOf('\xD1') + 2, 9)},
        {"offset into the header", patched(trailer - 1, 2)},
        {"unknown marker", patched(good.indexOf('\x13'), char(0x70))},
        {"integer of 3 bytes", patched(good.indexOf('\x13'), char(0x1F))},
        {"string past its table", patched(good.indexOf('\x51'), char(0x5E))},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(plist::binaryWithinLimits(c.data)) << c.what;  // refused before the parser sees it
        EXPECT_EQ(plist::parse(c.data), std::nullopt) << c.what;
    }

    // Dictionary keys must be strings.
    BinaryPlist n;
    const int number = n.integer(1);
    EXPECT_FALSE(plist::binaryWithinLimits(n.finish(n.dict({number}, {number}))));
}

TEST(PropertyListLimits, XmlMarkupIsSkippedAsXmlReadsIt)
{
    struct Case {
        const char* what;
        QByteArray body;
        bool accepted;
    };
    const QByteArray deepComment = "<!--" + QByteArray("<array>").repeated(100) + "-->";
    const Case cases[] = {
        {"markup inside a comment", deepComment + "<string>x</string>", true},
        {"references inside CDATA are text", "<string><![CDATA[a&#0;b<c>]]></string>", true},
        {"quoted '>' in an attribute", "<string a='>' b=\"&#0;\">x</string>", true},
        {"unterminated comment", "<!-- <string>x</string>", false},
        {"unterminated CDATA", "<string><![CDATA[x</string>", false},
        {"internal DTD subset", "<!DOCTYPE plist [<!ENTITY a \"b\">]><string>x</string>", false},
        // The first closing tag ends the root; the reader ignores the rest.
        {"closing more than opened", "<string>x</string></a></b>", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plist::xmlWithinLimits(xmlDocument(c.body)), c.accepted) << c.what;
    EXPECT_FALSE(plist::xmlWithinLimits("</a><plist><string>x</string></plist>"));  // closing before the root
    EXPECT_EQ(plist::parse(xmlDocument(cases[1].body)), std::optional<QVariant>(QStringLiteral("a&#0;b<c>")));
}

namespace {

// What libplist itself makes of an XML list, without our checks in front.
std::optional<QVariant> readByLibplist(const QByteArray& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &root);
    if (!root)
        return std::nullopt;
    // Back through our binary reader, which never sees references.
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    plist_free(root);
    const QByteArray data(bin, qsizetype(length));
    free(bin);
    return plist::parse(data);
}

} // namespace

TEST(PropertyListLimits, ReferencesInStringsAndKeysReadInTimeLinearInTheirNumber)
{
    // The parser moves the rest of a string for each reference it unescapes:
    // a file of 8 MiB of "&amp;" kept it busy for more than ten minutes.
    const int count = int((plist::kMaxBytes - 200) / 5);
    const QByteArray flood = xmlDocument("<string>" + QByteArray("&amp;").repeated(count) + "</string>");
    ASSERT_LE(flood.size(), plist::kMaxBytes);
    const auto parsed = plist::parse(flood);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->toString(), QString(count, u'&'));
    const QByteArray numeric = xmlDocument("<dict><key>" + QByteArray("&#x3c;").repeated(count / 2) +
                                           "</key><string>v</string></dict>");
    const auto keyed = plist::parse(numeric);
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->toMap().firstKey(), QString(count / 2, u'<'));

    // Decoded as the parser decodes them, with text that would close a CDATA
    // section, comments and sections of its own.
    const QByteArray mixed = xmlDocument(
        "<dict><key>a&amp;b</key><string>&lt;x&gt; &quot;q&quot; &apos;s&apos; &#65;&#x42;&#X43; caf&#xE9; &#x1F600;"
        " ]]&gt; ]]]]&gt;&gt; ]&#93;&gt;<!-- &amp; --> <![CDATA[&amp;]]>&amp;</string>"
        "<key>plain]]></key><string>no references ]]> at all</string>"
        "<key>data</key><data>YWJj</data><key>n</key><integer>12</integer></dict>");
    const auto ours = plist::parse(mixed);
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours, readByLibplist(mixed));
    EXPECT_EQ(ours->toMap().value("a&b").toString(),
              QStringLiteral("<x> \"q\" 's' ABC café 😀 ]]> ]]]]>> ]]> &amp;&"));

    // Whatever libplist writes comes back whole.
    const QVariantMap awkward{{"]]>&<", QStringLiteral("]]]>>]]&&#0;<![CDATA[ é 漢 😀")}, {"k", QStringLiteral(">]]")}};
    EXPECT_EQ(plist::parse(plist::toXml(awkward)), QVariant(awkward));

    // References the parser refuses are refused before it.
    for (const char* bad : {"&foo;", "&AMP;", "&amp", "a & b", "&#;", "&#x;", "&#65", "&#-65;", "&#0;", "&#xD800;",
                            "&#x110000;", "&#99999999999;"}) {
        const QByteArray doc = xmlDocument("<string>" + QByteArray(bad) + "</string>");
        EXPECT_EQ(plist::parse(doc), std::nullopt) << bad;
        EXPECT_FALSE(plist::xmlWithinLimits(doc)) << bad;
    }
}

TEST(PropertyListLimits, ReferencesOnEitherSideOfEachUtf8LengthReadAsTheirCharacter)
{
    const std::pair<const char*, char32_t> references[] = {
        {"&#x7F;", 0x7F},     {"&#128;", 0x80},     {"&#x7FF;", 0x7FF},     {"&#x800;", 0x800},
        {"&#xFFFF;", 0xFFFF}, {"&#x10000;", 0x10000}, {"&#x10FFFF;", 0x10FFFF}, {"&#xD7FF;", 0xD7FF},
        {"&#xE000;", 0xE000},
    };
    for (const auto& [reference, code] : references) {
        const QString want = QString::fromUcs4(&code, 1);
        // In a string and in a key alike, beside plain text.
        const QByteArray doc = xmlDocument("<dict><key>" + QByteArray(reference) + "</key><string>a" +
                                           QByteArray(reference) + "b</string></dict>");
        const auto parsed = plist::parse(doc);
        ASSERT_TRUE(parsed) << reference;
        EXPECT_EQ(parsed->toMap().firstKey(), want) << reference;
        EXPECT_EQ(parsed->toMap().first().toString(), u'a' + want + u'b') << reference;
        EXPECT_EQ(parsed, readByLibplist(doc)) << reference;
    }
}

TEST(PropertyListLimits, WhatFollowsTheRootElementIsIgnoredAsTheReaderIgnoresIt)
{
    // A published launchd job, copied with the end of the page it was in.
    const QByteArray job =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n\t<key>Label</key>\n\t<string>org.example.sync</string>\n"
        "\t<key>Program</key>\n\t<string>/usr/local/bin/sync-agent</string>\n"
        "\t<key>RunAtLoad</key>\n\t<true/>\n</dict>\n</plist>\n</content>\n</entry>\n";
    const auto reference = readByLibplist(job);
    ASSERT_TRUE(reference);
    tw::test::MacTree t;
    t.write("/Library/LaunchAgents/org.example.sync.plist", job);
    const auto read = plist::readDictionary(t.fs(), "/Library/LaunchAgents/org.example.sync.plist");
    ASSERT_TRUE(read);
    EXPECT_EQ(QVariant(*read), *reference);
    EXPECT_EQ(read->value("Program").toString(), "/usr/local/bin/sync-agent");

    // Nothing after the root is walked: neither unterminated markup, nor
    // references, nor a self-closing root's neighbours.
    EXPECT_TRUE(plist::parse(xmlDocument("<string>x</string>") + "<!-- <![CDATA[ &#0; &bogus; <a"));
    EXPECT_TRUE(plist::xmlWithinLimits("<plist/></x></y>"));
}
