#include "engine/inventory/AppScanner.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

using namespace tw;
using tw::test::MacTree;

namespace {
struct Safety {
    MacTree t;
    QString h = t.home();
    bool operator()(const QString& p) const { return AppScanner::isSafeToRemove(t.fs(), p); }
};
} // namespace

TEST(SafetyTest, RefusesTheRootTheSystemFoldersAndTheHomeFolders)
{
    Safety safe;
    const QString& h = safe.h;
    EXPECT_FALSE(safe("/"));
    EXPECT_FALSE(safe(""));
    EXPECT_FALSE(safe("//"));
    for (const QString p : {"/Applications", "/System", "/Library", "/Users", "/private", "/usr", "/bin", "/sbin",
                            "/cores", "/Volumes", "/Library/Preferences", "/Library/Application Support",
                            "/Library/Caches"})
        EXPECT_FALSE(safe(p)) << p.toStdString();
    for (const QString rel : {"", "/Library", "/Desktop", "/Documents", "/Downloads", "/Movies", "/Music",
                              "/Pictures", "/Applications", "/Library/Preferences", "/Library/Application Support",
                              "/Library/Caches", "/Library/Containers", "/Library/Group Containers"})
        EXPECT_FALSE(safe(h + rel)) << rel.toStdString();
    // Only items inside them.
    EXPECT_TRUE(safe(h + "/Library/Containers/com.example.app"));
    EXPECT_TRUE(safe(h + "/Library/Caches/com.example.app"));
    EXPECT_TRUE(safe(h + "/Documents/report.txt"));
    EXPECT_TRUE(safe("/Library/Preferences/com.example.app.plist"));
    // Relative paths are not ours to judge, nor paths a system call would cut short.
    EXPECT_FALSE(safe("Library/Caches/com.example.app"));
    EXPECT_FALSE(safe(h + "/Library/Caches/com.example.app" + QChar(0) + "/../../Documents"));
}

TEST(SafetyTest, RefusesProtectedSubtreesAndTheirRoots)
{
    Safety safe;
    const QString& h = safe.h;
    EXPECT_FALSE(safe("/System/Library/Extensions/X.kext"));
    EXPECT_TRUE(safe("/Library/Extensions/X.kext"));
    EXPECT_FALSE(safe(h + "/Library/Mail"));
    EXPECT_FALSE(safe(h + "/Library/Mail/V10/x"));
    EXPECT_TRUE(safe(h + "/Library/Mail Downloads"));
    EXPECT_FALSE(safe("/private/var/db/receipts/x.bom"));
    EXPECT_FALSE(safe("/private/var/db"));
    EXPECT_TRUE(safe("/private/var/folders/ab/xyz/C/com.example.app"));
    EXPECT_FALSE(safe("/private/etc/hosts"));
    EXPECT_FALSE(safe("/usr/local/bin/tool"));
    for (const QString p : {"/Library/Apple/x", "/Library/OSAnalytics/x", "/Library/Updates/x",
                            "/Library/Filesystems/x", "/Library/KernelCollections/x", "/private/var/jabberd/x"})
        EXPECT_FALSE(safe(p)) << p.toStdString();
    for (const QString rel : {"/Library/Keychains/login.keychain-db", "/Library/Messages/chat.db",
                              "/Library/Photos/x", "/Library/Suggestions/x", "/.Trash/old.txt", "/.Trash"})
        EXPECT_FALSE(safe(h + rel)) << rel.toStdString();
    EXPECT_TRUE(safe("/Users/Shared/com.example.app"));
    EXPECT_TRUE(safe("/Volumes/Backup/com.example.app"));
    // The rules are case-sensitive.
    EXPECT_TRUE(safe("/system/Library/x"));
}

TEST(SafetyTest, RefusesApplicationBundlesButNotTheirContents)
{
    Safety safe;
    EXPECT_FALSE(safe("/Applications/Example.app"));
    EXPECT_FALSE(safe(safe.h + "/Library/Application Support/Vendor/Helper.app"));
    EXPECT_TRUE(safe("/Applications/Example.app/Contents/Resources/x.plist"));
    EXPECT_TRUE(safe("/Applications/Example.apple"));
    EXPECT_FALSE(safe("/Applications/Example.APP"));
    EXPECT_FALSE(safe("/Applications/Visual Studio.Code.app"));
}

TEST(SafetyTest, TellsFoldersNamedByAppIdentifiersFromBundles)
{
    // Identifiers such as com.example.app name containers and caches; those
    // folders are not bundles.
    Safety safe;
    MacTree& t = safe.t;
    const QString lib = t.library();
    t.mkdir(lib + "/Containers/com.example.app/Data");
    EXPECT_TRUE(safe(lib + "/Containers/com.example.app"));
    EXPECT_TRUE(safe("/private/var/folders/ab/xyz/C/com.example.app"));
    // ...unless the folder holds a bundle's Contents.
    t.makeApp(lib + "/Caches/com.vendor.tool.app", "com.vendor.tool", "Tool");
    EXPECT_FALSE(safe(lib + "/Caches/com.vendor.tool.app"));
    t.makeApp("/Applications/Example.app", "com.example.app", "Example");
    EXPECT_FALSE(safe("/Applications/Example.app"));
}

TEST(SafetyTest, JudgesTheStandardizedPath)
{
    Safety safe;
    const QString& h = safe.h;
    EXPECT_FALSE(safe(h + "/Library/Caches/../Caches"));
    EXPECT_FALSE(safe(h + "/Library/Caches/./"));
    EXPECT_FALSE(safe(h + "/Library/Caches/com.example.app/../../Caches"));
    EXPECT_FALSE(safe("/Users/Shared/../../System/x"));
    EXPECT_TRUE(safe(h + "/Library/Caches//com.example.app/"));
}

TEST(SafetyTest, ResolvesSymlinkedParentFoldersButNotTheItemItself)
{
    Safety safe;
    MacTree& t = safe.t;
    const QString lib = t.library();
    t.mkdir("/System/Library/CoreServices");
    t.mkdir(lib + "/Caches");
    t.mkdir(safe.h + "/Library/Keychains");
    // A folder inside Caches that is a link into a protected subtree.
    t.symlink(lib + "/Caches/sneaky", t.host("/System/Library"));
    EXPECT_FALSE(safe(lib + "/Caches/sneaky/CoreServices"));
    t.symlink(lib + "/Caches/keys", t.host(safe.h + "/Library/Keychains"));
    EXPECT_FALSE(safe(lib + "/Caches/keys/login.keychain-db"));
    // A relative link that lands on a protected folder itself.
    t.symlink(lib + "/Caches/up", "..");
    EXPECT_FALSE(safe(lib + "/Caches/up/Caches"));
    EXPECT_FALSE(safe(lib + "/Caches/up/Preferences"));
    // The link itself may go: trashing it moves only the link.
    EXPECT_TRUE(safe(lib + "/Caches/sneaky"));
    t.symlink(lib + "/Caches/com.example.app", t.host("/System"));
    EXPECT_TRUE(safe(lib + "/Caches/com.example.app"));
    // Harmless links keep harmless paths allowed.
    t.mkdir("/Users/Shared/Data");
    t.symlink(lib + "/Caches/shared", t.host("/Users/Shared/Data"));
    EXPECT_TRUE(safe(lib + "/Caches/shared/com.example.app"));
}

TEST(SafetyTest, RefusesPathsThatLeaveTheRootAndJudgesMissingParentsLexically)
{
    Safety safe;
    MacTree& t = safe.t;
    const QString lib = t.library();
    t.mkdir(lib + "/Caches");
    t.symlink(lib + "/Caches/away", "/");  // the host's root, outside the mapped tree
    EXPECT_FALSE(safe(lib + "/Caches/away/etc"));
    // Missing parents: nothing on disk to resolve, so the written path decides.
    EXPECT_TRUE(safe(lib + "/Caches/missing/deeper/com.example.app"));
    EXPECT_FALSE(safe(lib + "/Mail/missing/x"));
    EXPECT_FALSE(safe("/System/missing/x"));
}

TEST(SafetyTest, FollowsTheHomeFolderEvenBehindALink)
{
    // The home folder of this tree is a link to the real one elsewhere.
    QTemporaryDir dir;
    MacTree t(dir.path(), QStringLiteral("real"));
    t.mkdir(t.home() + "/Library/Caches");
    t.symlink("/Users/linked", t.host(t.home()));
    FileSystem fs(t.hostRoot(), QStringLiteral("/Users/linked"));
    EXPECT_FALSE(AppScanner::isSafeToRemove(fs, "/Users/linked/Library/Caches"));
    EXPECT_FALSE(AppScanner::isSafeToRemove(fs, "/Users/real/Library/Caches"));
    EXPECT_FALSE(AppScanner::isSafeToRemove(fs, "/Users/linked/Library/Caches/../Caches"));
    EXPECT_TRUE(AppScanner::isSafeToRemove(fs, "/Users/linked/Library/Caches/com.example.app"));
}
