#include "platform/PropertyList.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

using namespace tw;

TEST(PropertyList, RoundTripsXmlAndBinary)
{
    const QVariantMap dict{{"Label", "com.example.agent"},
                           {"ProgramArguments", QStringList{"/bin/tool", "--flag"}},
                           {"Disabled", true},
                           {"Count", 42},
                           {"Ratio", 0.5},
                           {"Blob", QByteArray("\x01\x02", 2)},
                           {"When", QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC)}};
    for (const QByteArray& data : {plist::toXml(dict), plist::toBinary(dict)}) {
        const auto parsed = plist::parse(data);
        ASSERT_TRUE(parsed);
        const QVariantMap m = parsed->toMap();
        EXPECT_EQ(m["Label"].toString(), "com.example.agent");
        EXPECT_EQ(m["ProgramArguments"].toList().size(), 2);
        EXPECT_EQ(m["Disabled"].typeId(), QMetaType::Bool);
        EXPECT_EQ(m["Count"].toLongLong(), 42);
        EXPECT_DOUBLE_EQ(m["Ratio"].toDouble(), 0.5);
        EXPECT_EQ(m["Blob"].toByteArray(), QByteArray("\x01\x02", 2));
        EXPECT_EQ(m["When"].toDateTime(), QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    }
}

TEST(PropertyList, GarbageReadsAsNothing)
{
    EXPECT_EQ(plist::parse(""), std::nullopt);
    EXPECT_EQ(plist::parse("not a plist at all"), std::nullopt);
    EXPECT_EQ(plist::parse("<?xml version=\"1.0\"?><plist><dict><key>a</key>"), std::nullopt);
    EXPECT_EQ(plist::parse(QByteArray("bplist00\xff\xff\xff", 11)), std::nullopt);
    tw::test::MacTree t;
    t.write("/x.plist", "<plist version=\"1.0\"><array><string>a</string></array></plist>");
    EXPECT_EQ(plist::readDictionary(t.fs(), "/x.plist"), std::nullopt);
    EXPECT_TRUE(plist::read(t.fs(), "/x.plist"));
}

TEST(PropertyList, TypedReadsRefuseOtherTypes)
{
    const QVariantMap d{{"s", "text"}, {"n", 3}, {"d", QVariantMap{}}, {"a", QVariantList{}}};
    EXPECT_EQ(plist::string(d, "s"), std::optional<QString>("text"));
    EXPECT_EQ(plist::string(d, "n"), std::nullopt);
    EXPECT_TRUE(plist::dictionary(d, "d"));
    EXPECT_FALSE(plist::dictionary(d, "a"));
    EXPECT_TRUE(plist::array(d, "a"));
    EXPECT_FALSE(plist::array(d, "missing"));
}
