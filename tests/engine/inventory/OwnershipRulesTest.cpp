#include "engine/inventory/AppScanner.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {
const QString kId = QStringLiteral("com.example.app");
const QString kName = QStringLiteral("example app");
const QString kCompact = QStringLiteral("exampleapp");
const QString kLib = QStringLiteral("/Users/tester/Library");

bool leaf(const QString& n, const QString& name = kName, const QString& compact = kCompact)
{
    return AppScanner::leafOwned(n, kId, name, compact);
}
bool owned(const QString& p, const QString& id = kId)
{
    return AppScanner::isOwnedByApp(p, id, kName, kCompact);
}
} // namespace

TEST(OwnershipRules, LeafNamesMatchTheIdentifierAsAWholeDottedWord)
{
    EXPECT_TRUE(leaf("Com.Example.App.plist"));
    EXPECT_TRUE(leaf(".com.example.app"));
    EXPECT_TRUE(leaf("com.example.app.agent"));
    EXPECT_TRUE(leaf("group.com.example.app"));
    EXPECT_TRUE(leaf("com.example.app.savedState"));
    EXPECT_TRUE(leaf("com.example.app.binarycookies"));
    EXPECT_TRUE(leaf("com.example.app.savedState.plist"));  // each suffix once, in order
    EXPECT_FALSE(leaf("com.example.apphelper"));
    EXPECT_FALSE(leaf("xcom.example.app"));
    EXPECT_FALSE(leaf("com.example.apps.plist"));
    EXPECT_FALSE(leaf("com.example.ap"));
    EXPECT_TRUE(leaf("..com.example.app"));  // one dot dropped, the other ends the suffix word
    EXPECT_FALSE(leaf("..Example App"));     // only one leading dot is dropped
    EXPECT_FALSE(leaf("Example App.plist.plist"));  // each suffix is removed once
    // An identifier ending in ".app" owns its own name; a bundle name still
    // matches without the suffix.
    EXPECT_TRUE(leaf("com.example.app"));
    EXPECT_TRUE(leaf("Example App.app"));
    EXPECT_TRUE(AppScanner::leafOwned("com.vendor.tool.app", "com.vendor.tool", "", ""));
    EXPECT_FALSE(AppScanner::leafOwned("Tool.app.app", "com.vendor.tool", "tool", "tool"));
}

TEST(OwnershipRules, LeafNamesMatchTheDisplayNameOnlyWhenThereIsOne)
{
    EXPECT_TRUE(leaf("Example App"));
    EXPECT_TRUE(leaf("ExampleApp"));
    EXPECT_TRUE(leaf("ExampleApp.plist"));
    EXPECT_FALSE(leaf("Example App Helper"));
    EXPECT_FALSE(leaf("Example App", "", ""));
    EXPECT_TRUE(leaf("com.example.app.plist", "", ""));
    // An empty name must not match an empty remainder.
    EXPECT_FALSE(leaf(".plist", "", ""));
    // Without an identifier only the name decides: no dotted name slips through.
    EXPECT_FALSE(AppScanner::leafOwned(".x.", "", "", ""));
    EXPECT_FALSE(AppScanner::leafOwned("anything.", "", "", ""));
    EXPECT_TRUE(AppScanner::leafOwned("Notes", "", "notes", "notes"));
}

TEST(OwnershipRules, PathsBelowSupportFoldersNeedAnOwnedFirstFolder)
{
    EXPECT_TRUE(owned(kLib + "/Application Support/com.example.app/Data/com.example.app.db"));
    EXPECT_FALSE(owned(kLib + "/Application Support/Other/com.example.app.plist"));
    EXPECT_TRUE(owned(kLib + "/Application Support/Example App/com.example.app.plist"));
    EXPECT_TRUE(owned(kLib + "/Application Support/ExampleApp/com.example.app.plist"));
    EXPECT_TRUE(owned(kLib + "/Application Scripts/com.example.app.helper/com.example.app.scpt"));
    EXPECT_FALSE(owned(kLib + "/Application Scripts/Vendor/com.example.app"));
    // The system library counts as well.
    EXPECT_FALSE(owned("/Library/Application Support/Vendor/com.example.app"));
    EXPECT_TRUE(owned("/Library/Application Support/com.example.app"));
    // The leaf rule comes first.
    EXPECT_FALSE(owned(kLib + "/Application Support/com.example.app/other.db"));
}

TEST(OwnershipRules, ContainersBelongOnlyByIdentifier)
{
    EXPECT_TRUE(owned(kLib + "/Containers/com.example.app.agent"));
    EXPECT_TRUE(owned(kLib + "/Containers/com.example.app"));
    // The name does not open a container, even when the leaf carries it.
    EXPECT_FALSE(owned(kLib + "/Containers/Example App"));
    EXPECT_FALSE(owned(kLib + "/Containers/other.bundle/Data/com.example.app.plist"));
    // Group containers are not containers.
    EXPECT_TRUE(owned(kLib + "/Group Containers/ABCDE12345.com.example.app"));
}

TEST(OwnershipRules, UpdaterCachesAndOurOwnFilesAreExcluded)
{
    EXPECT_FALSE(owned(kLib + "/Caches/updatercache/com.example.app"));
    EXPECT_FALSE(owned(kLib + "/Caches/UpdaterCache/com.example.app"));
    EXPECT_FALSE(owned(kLib + "/Caches/SubdomainAppsSearcher/com.example.app"));
    EXPECT_TRUE(owned(kLib + "/Caches/com.example.app"));
    // Our own files belong only to our own identifiers.
    EXPECT_TRUE(AppScanner::isOwnedByApp(kLib + "/Caches/com.marrowind.tidewell", "com.marrowind.tidewell", "", ""));
    EXPECT_FALSE(owned(kLib + "/Logs/com.marrowind.tidewell/com.example.app.log"));
    EXPECT_TRUE(owned(kLib + "/Logs/com.marrowind.tidewell/com.marrowind.helper.log", "com.marrowind.helper"));
    EXPECT_TRUE(owned(kLib + "/Caches/../Caches/com.example.app"));  // judged standardized
}

TEST(OwnershipRules, NameAliasesAreTrimmedCompactedAndKeepTheirCase)
{
    EXPECT_EQ(AppScanner::leftoverNameAliases("Google Chrome"), (QStringList{"Google Chrome", "GoogleChrome"}));
    EXPECT_EQ(AppScanner::leftoverNameAliases("CleanShot X"), (QStringList{"CleanShot X", "CleanShotX", "CleanShot"}));
    EXPECT_EQ(AppScanner::leftoverNameAliases("  Notes \n"), (QStringList{"Notes"}));
    EXPECT_EQ(AppScanner::leftoverNameAliases(""), QStringList());
    EXPECT_EQ(AppScanner::leftoverNameAliases(" \t\n "), QStringList());
    EXPECT_EQ(AppScanner::leftoverNameAliases("cleanshot"), (QStringList{"cleanshot", "CleanShot"}));
}

TEST(OwnershipRules, GroupContainersMatchWithTeamAndGroupPrefixes)
{
    const QString b = QStringLiteral("com.example.notes.mac");
    EXPECT_TRUE(AppScanner::groupContainerMatches("group.com.example.notes.mac", b));
    EXPECT_TRUE(AppScanner::groupContainerMatches("ab12cd34ef.com.example.notes", b));
    EXPECT_TRUE(AppScanner::groupContainerMatches("AB12CD34EF.com.example.notes", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd34ef.com.example", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd34ef.shared", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("group.com.apple.notes", b));
    EXPECT_TRUE(AppScanner::groupContainerMatches("com.example.notes.mac", b));
    EXPECT_TRUE(AppScanner::groupContainerMatches("com.example.notes.mac.shared", b));
    EXPECT_TRUE(AppScanner::groupContainerMatches("x.com.example.notes.mac.y", b));
    // A team word must be 8 to 12 letters or digits.
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd3.com.example.notes", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd34ef123.com.example.notes", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12-d34ef.com.example.notes", b));
    // "group." after a team word is dropped too.
    EXPECT_TRUE(AppScanner::groupContainerMatches("ab12cd34ef.group.com.example.notes", b));
    // Longer names that start with the identifier match from the other side.
    EXPECT_TRUE(AppScanner::groupContainerMatches("ab12cd34ef.com.example.notes.mac.widgets", b));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd34ef.com.example.notesx", b));
    // An empty identifier never matches; Apple's own never match after stripping.
    EXPECT_FALSE(AppScanner::groupContainerMatches("group.com.example.notes.mac", ""));
    EXPECT_FALSE(AppScanner::groupContainerMatches("", ""));
    EXPECT_FALSE(AppScanner::groupContainerMatches("ab12cd34ef.com.apple.notes", "com.apple.notes.helper"));
    EXPECT_TRUE(AppScanner::groupContainerMatches("group.com.apple.notes", "com.apple.notes"));  // the plain word match comes first
}
