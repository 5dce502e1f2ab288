#include "engine/inventory/OwnershipRules.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

const QString kId = QStringLiteral("com.example.app");
const QString kName = QStringLiteral("example app");
const QString kCompact = QStringLiteral("exampleapp");
const QString kLib = QStringLiteral("/Users/tester/Library");

struct Case {
    QString text;
    bool expected;
};

} // namespace

TEST(OwnershipRules, LeafNamesMatchTheIdentifierAsAWholeDottedWordOrTheName)
{
    const Case cases[] = {
        {"Com.Example.App.plist", true},    {".com.example.app", true},           {"com.example.app.agent", true},
        {"group.com.example.app", true},    {"com.example.app.savedState", true}, {"com.example.app.binarycookies", true},
        {"com.example.app.savedState.plist", true},  // each suffix once, in order
        {"com.example.apphelper", false},   {"xcom.example.app", false},          {"com.example.apps.plist", false},
        {"com.example.ap", false},
        {"..com.example.app", true},        // one dot dropped, the other ends the suffix word
        {"..Example App", false},           // only one leading dot is dropped
        {"Example App.plist.plist", false}, // each suffix is removed once
        {"com.example.app", true},          {"Example App.app", true},            // a bundle name without its suffix
        {"Example App", true},              {"ExampleApp", true},                 {"ExampleApp.plist", true},
        {"Example App Helper", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ownership::leafOwned(c.text, kId, kName, kCompact), c.expected) << c.text.toStdString();

    // An identifier ending in ".app" owns its own name.
    EXPECT_TRUE(ownership::leafOwned("com.vendor.tool.app", "com.vendor.tool", "", ""));
    EXPECT_FALSE(ownership::leafOwned("Tool.app.app", "com.vendor.tool", "tool", "tool"));
    // Without a name only the identifier matches; an empty name never matches an empty remainder.
    EXPECT_FALSE(ownership::leafOwned("Example App", kId, "", ""));
    EXPECT_TRUE(ownership::leafOwned("com.example.app.plist", kId, "", ""));
    EXPECT_FALSE(ownership::leafOwned(".plist", kId, "", ""));
    // Without an identifier only the name decides: no dotted name slips through.
    EXPECT_FALSE(ownership::leafOwned(".x.", "", "", ""));
    EXPECT_FALSE(ownership::leafOwned("anything.", "", "", ""));
    EXPECT_TRUE(ownership::leafOwned("Notes", "", "notes", "notes"));
}

TEST(OwnershipRules, PathsNeedAnOwnedFirstFolderAndNeverAnUpdaterCacheOrOurs)
{
    const Case cases[] = {
        // Below support folders the first folder must be owned, in either library.
        {kLib + "/Application Support/com.example.app/Data/com.example.app.db", true},
        {kLib + "/Application Support/Other/com.example.app.plist", false},
        {kLib + "/Application Support/Example App/com.example.app.plist", true},
        {kLib + "/Application Support/ExampleApp/com.example.app.plist", true},
        {kLib + "/Application Scripts/com.example.app.helper/com.example.app.scpt", true},
        {kLib + "/Application Scripts/Vendor/com.example.app", false},
        {"/Library/Application Support/Vendor/com.example.app", false},
        {"/Library/Application Support/com.example.app", true},
        {kLib + "/Application Support/com.example.app/other.db", false},  // the leaf rule comes first
        // Containers belong only by identifier; group containers are not containers.
        {kLib + "/Containers/com.example.app.agent", true},
        {kLib + "/Containers/com.example.app", true},
        {kLib + "/Containers/Example App", false},
        {kLib + "/Containers/other.bundle/Data/com.example.app.plist", false},
        {kLib + "/Group Containers/ABCDE12345.com.example.app", true},
        // Updater caches and our own files are excluded.
        {kLib + "/Caches/updatercache/com.example.app", false},
        {kLib + "/Caches/UpdaterCache/com.example.app", false},
        {kLib + "/Caches/SubdomainAppsSearcher/com.example.app", false},
        {kLib + "/Caches/com.example.app", true},
        {kLib + "/Logs/com.marrowind.tidewell/com.example.app.log", false},
        {kLib + "/Caches/../Caches/com.example.app", true},  // judged standardized
    };
    for (const Case& c : cases)
        EXPECT_EQ(ownership::isOwnedByApp(c.text, kId, kName, kCompact), c.expected) << c.text.toStdString();
    // Beyond ASCII the same rules hold, with the same lower case.
    const QString zoe = QStringLiteral("/Users/Zo\u00eb/Library");
    const QString eclair = QStringLiteral("\u00e9clair");
    EXPECT_TRUE(ownership::isOwnedByApp(zoe + QStringLiteral("/Application Support/\u00c9CLAIR/\u00c9clair.plist"),
                                        kId, eclair, eclair));
    EXPECT_FALSE(ownership::isOwnedByApp(zoe + "/Application Support/Other/com.example.app", kId, kName, kCompact));
    EXPECT_FALSE(ownership::isOwnedByApp(zoe + "/Caches/UpdaterCache/com.example.app", kId, kName, kCompact));
    EXPECT_TRUE(ownership::isOwnedByApp(zoe + "/Caches/COM.EXAMPLE.APP", kId, kName, kCompact));
    // Our own files belong only to our own identifiers.
    EXPECT_TRUE(ownership::isOwnedByApp(kLib + "/Caches/com.marrowind.tidewell", "com.marrowind.tidewell", "", ""));
    EXPECT_TRUE(ownership::isOwnedByApp(kLib + "/Logs/com.marrowind.tidewell/com.marrowind.helper.log", "com.marrowind.helper",
                                         kName, kCompact));
}

TEST(OwnershipRules, NameAliasesAreTrimmedCompactedAndKeepTheirCase)
{
    EXPECT_EQ(ownership::leftoverNameAliases("Google Chrome"), (QStringList{"Google Chrome", "GoogleChrome"}));
    EXPECT_EQ(ownership::leftoverNameAliases("CleanShot X"), (QStringList{"CleanShot X", "CleanShotX", "CleanShot"}));
    EXPECT_EQ(ownership::leftoverNameAliases("  Notes \n"), (QStringList{"Notes"}));
    EXPECT_EQ(ownership::leftoverNameAliases(" \t\n "), QStringList());
    EXPECT_EQ(ownership::leftoverNameAliases("cleanshot"), (QStringList{"cleanshot", "CleanShot"}));
}

TEST(OwnershipRules, GroupContainersMatchWithTeamAndGroupPrefixes)
{
    const Case cases[] = {
        {"group.com.example.notes.mac", true},   {"ab12cd34ef.com.example.notes", true},
        {"AB12CD34EF.com.example.notes", true},  {"ab12cd34ef.com.example", false},
        {"ab12cd34ef.shared", false},            {"group.com.apple.notes", false},
        {"com.example.notes.mac", true},         {"com.example.notes.mac.shared", true},
        {"x.com.example.notes.mac.y", true},
        // A team word is 8 to 12 letters or digits; "group." after it is dropped too.
        {"ab12cd3.com.example.notes", false},    {"ab12cd34ef123.com.example.notes", false},
        {"ab12-d34ef.com.example.notes", false}, {"ab12cd34ef.group.com.example.notes", true},
        // Longer names that start with the identifier match from the other side.
        {"ab12cd34ef.com.example.notes.mac.widgets", true}, {"ab12cd34ef.com.example.notesx", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ownership::groupContainerMatches(c.text, "com.example.notes.mac"), c.expected) << c.text.toStdString();
    // An empty identifier never matches; Apple's own never match after stripping, but the plain word match comes first.
    EXPECT_FALSE(ownership::groupContainerMatches("group.com.example.notes.mac", ""));
    EXPECT_FALSE(ownership::groupContainerMatches("", ""));
    EXPECT_FALSE(ownership::groupContainerMatches("ab12cd34ef.com.apple.notes", "com.apple.notes.helper"));
    EXPECT_TRUE(ownership::groupContainerMatches("group.com.apple.notes", "com.apple.notes"));
}
