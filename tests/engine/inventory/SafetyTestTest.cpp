#include "engine/inventory/SafetyTest.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

using namespace tw;
using tw::test::MacTree;

namespace {
struct Safety {
    MacTree t;
    QString h = t.home();
    QString lib = t.library();
    bool operator()(const QString& p) const { return safety::isSafeToRemove(t.fs(), p); }
};
} // namespace

TEST(SafetyTest, WrittenPathsRefuseRootsSystemFoldersHomeFoldersProtectedSubtreesAndBundles)
{
    Safety safe;
    const QString& h = safe.h;
    for (const QString p : {"/", "", "//", "/Applications", "/System", "/Library", "/Users", "/private", "/usr", "/bin",
                            "/sbin", "/cores", "/Volumes", "/Library/Preferences", "/Library/Application Support",
                            "/Library/Caches", "/System/Library/Extensions/X.kext", "/private/var/db/receipts/x.bom",
                            "/private/var/db", "/private/etc/hosts", "/usr/local/bin/tool", "/Library/Apple/x",
                            "/Library/OSAnalytics/x", "/Library/Updates/x", "/Library/Filesystems/x",
                            "/Library/KernelCollections/x", "/private/var/jabberd/x",
                            // Bundles, whatever their case, but not their contents (below).
                            "/Applications/Example.app", "/Applications/Example.APP", "/Applications/Visual Studio.Code.app",
                            // Relative paths, and paths a system call would cut short.
                            "Library/Caches/com.example.app"})
        EXPECT_FALSE(safe(p)) << p.toStdString();
    EXPECT_FALSE(safe(h + "/Library/Caches/com.example.app" + QChar(0) + "/../../Documents"));
    for (const QString rel : {"", "/Library", "/Desktop", "/Documents", "/Downloads", "/Movies", "/Music", "/Pictures",
                              "/Applications", "/Library/Preferences", "/Library/Application Support", "/Library/Caches",
                              "/Library/Containers", "/Library/Group Containers", "/Library/Mail", "/Library/Mail/V10/x",
                              "/Library/Keychains/login.keychain-db", "/Library/Messages/chat.db", "/Library/Photos/x",
                              "/Library/Suggestions/x", "/.Trash/old.txt", "/.Trash",
                              "/Library/Application Support/Vendor/Helper.app",
                              // Judged standardized.
                              "/Library/Caches/../Caches", "/Library/Caches/./", "/Library/Caches/com.example.app/../../Caches"})
        EXPECT_FALSE(safe(h + rel)) << rel.toStdString();
    EXPECT_FALSE(safe("/Users/Shared/../../System/x"));

    // Only items inside them; the rules are case-sensitive.
    for (const QString p : {"/Library/Preferences/com.example.app.plist", "/Library/Extensions/X.kext",
                            "/private/var/folders/ab/xyz/C/com.example.app", "/Users/Shared/com.example.app",
                            "/Volumes/Backup/com.example.app", "/system/Library/x",
                            "/Applications/Example.app/Contents/Resources/x.plist", "/Applications/Example.apple"})
        EXPECT_TRUE(safe(p)) << p.toStdString();
    for (const QString rel : {"/Library/Containers/com.example.app", "/Library/Caches/com.example.app", "/Documents/report.txt",
                              "/Library/Mail Downloads", "/Library/Caches//com.example.app/"})
        EXPECT_TRUE(safe(h + rel)) << rel.toStdString();
}

TEST(SafetyTest, TellsFoldersNamedByAppIdentifiersFromBundles)
{
    // Identifiers such as com.example.app name containers and caches; those folders are not bundles...
    Safety safe;
    safe.t.mkdir(safe.lib + "/Containers/com.example.app/Data");
    EXPECT_TRUE(safe(safe.lib + "/Containers/com.example.app"));
    // ...unless the folder holds a bundle's Contents.
    safe.t.makeApp(safe.lib + "/Caches/com.vendor.tool.app", "com.vendor.tool", "Tool");
    EXPECT_FALSE(safe(safe.lib + "/Caches/com.vendor.tool.app"));
    safe.t.makeApp("/Applications/Example.app", "com.example.app", "Example");
    EXPECT_FALSE(safe("/Applications/Example.app"));
}

TEST(SafetyTest, ResolvesSymlinkedParentFoldersButNotTheItemItself)
{
    Safety safe;
    MacTree& t = safe.t;
    const QString caches = safe.lib + "/Caches";
    t.mkdir("/System/Library/CoreServices");
    t.mkdir(caches);
    t.mkdir(safe.h + "/Library/Keychains");
    // A folder inside Caches that is a link into a protected subtree.
    t.symlink(caches + "/sneaky", t.host("/System/Library"));
    EXPECT_FALSE(safe(caches + "/sneaky/CoreServices"));
    t.symlink(caches + "/keys", t.host(safe.h + "/Library/Keychains"));
    EXPECT_FALSE(safe(caches + "/keys/login.keychain-db"));
    // A relative link that lands on a protected folder itself.
    t.symlink(caches + "/up", "..");
    EXPECT_FALSE(safe(caches + "/up/Caches"));
    EXPECT_FALSE(safe(caches + "/up/Preferences"));
    // A link to the host's root, outside the mapped tree.
    t.symlink(caches + "/away", "/");
    EXPECT_FALSE(safe(caches + "/away/etc"));
    // The link itself may go: trashing it moves only the link.
    EXPECT_TRUE(safe(caches + "/sneaky"));
    t.symlink(caches + "/com.example.app", t.host("/System"));
    EXPECT_TRUE(safe(caches + "/com.example.app"));
    // Harmless links keep harmless paths allowed.
    t.mkdir("/Users/Shared/Data");
    t.symlink(caches + "/shared", t.host("/Users/Shared/Data"));
    EXPECT_TRUE(safe(caches + "/shared/com.example.app"));
    // Missing parents: nothing on disk to resolve, so the written path decides.
    EXPECT_TRUE(safe(caches + "/missing/deeper/com.example.app"));
    EXPECT_FALSE(safe(safe.lib + "/Mail/missing/x"));
    EXPECT_FALSE(safe("/System/missing/x"));
}

TEST(SafetyTest, RefusesWhatResolvesIntoASiblingOfTheRoot)
{
    // Root <dir>/tree; <dir>/tree2 shares the root's name as a prefix but lies outside it.
    QTemporaryDir dir;
    MacTree t(dir.path() + "/tree", QStringLiteral("tester"));
    MacTree sibling(dir.path() + "/tree2", QStringLiteral("tester"));
    sibling.write(sibling.library() + "/Caches/com.example.app/data", "outside");
    const QString caches = t.library() + "/Caches";
    t.mkdir(caches);
    t.symlink(caches + "/next door", sibling.host(sibling.library() + "/Caches"));
    EXPECT_FALSE(safety::isSafeToRemove(t.fs(), caches + "/next door/com.example.app"));
    EXPECT_EQ(t.fs().fromHost(sibling.host("/Users")), std::nullopt);
    EXPECT_TRUE(safety::isSafeToRemove(t.fs(), caches + "/com.example.app"));
}

TEST(SafetyTest, FollowsTheHomeFolderEvenBehindALink)
{
    // The home folder of this tree is a link to the real one elsewhere.
    QTemporaryDir dir;
    MacTree t(dir.path(), QStringLiteral("real"));
    t.mkdir(t.home() + "/Library/Caches");
    t.symlink("/Users/linked", t.host(t.home()));
    FileSystem fs(t.hostRoot(), QStringLiteral("/Users/linked"));
    EXPECT_FALSE(safety::isSafeToRemove(fs, "/Users/linked/Library/Caches"));
    EXPECT_FALSE(safety::isSafeToRemove(fs, "/Users/real/Library/Caches"));
    EXPECT_FALSE(safety::isSafeToRemove(fs, "/Users/linked/Library/Caches/../Caches"));
    EXPECT_TRUE(safety::isSafeToRemove(fs, "/Users/linked/Library/Caches/com.example.app"));
}
