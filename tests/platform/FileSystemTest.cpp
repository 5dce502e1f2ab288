#include "platform/DiskUsage.h"
#include "platform/FileSystem.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tw;
using tw::test::MacTree;

TEST(FileSystem, MapsLogicalPathsUnderTheRootAndNeverEscapesIt)
{
    MacTree t;
    const FileSystem& fs = t.fs();
    EXPECT_EQ(fs.home(), "/Users/tester");
    EXPECT_EQ(fs.toHostString("/Applications/A.app"), t.hostRoot() + "/Applications/A.app");
    EXPECT_EQ(fs.toHostString("/../../etc/passwd"), t.hostRoot() + "/etc/passwd");
    EXPECT_EQ(fs.toHostString("/"), t.hostRoot());
    EXPECT_EQ(fs.fromHost(t.hostRoot() + "/Users/x"), std::optional<QString>("/Users/x"));
    EXPECT_EQ(fs.fromHost("/etc/passwd"), std::nullopt);
}

TEST(FileSystem, ListsSortedByBytesAndSkipsHiddenUnlessAsked)
{
    MacTree t;
    t.write("/d/b", "1");
    t.write("/d/B", "1");
    t.write("/d/a", "1");
    t.write("/d/.hidden", "1");
    t.mkdir("/d/sub");
    const auto names = [](const std::vector<DirEntry>& v) {
        QStringList out;
        for (const auto& e : v)
            out << e.name;
        return out;
    };
    EXPECT_EQ(names(*t.fs().list("/d")), (QStringList{"B", "a", "b", "sub"}));
    EXPECT_EQ(names(*t.fs().list("/d", Hidden::Include)), (QStringList{".hidden", "B", "a", "b", "sub"}));
    EXPECT_EQ(t.fs().list("/missing"), std::nullopt);
}

TEST(FileSystem, WalkNeverFollowsSymlinkedFolders)
{
    MacTree t;
    t.write("/outside/secret", "s");
    t.write("/d/a/file", "1");
    t.symlink("/d/link", t.host("/outside"));
    QStringList visited;
    t.fs().walk("/d", Hidden::Skip, [&](const QString& p, const DirEntry&, int) {
        visited << p;
        return FileSystem::Visit::Continue;
    });
    EXPECT_EQ(visited, (QStringList{"/d/a", "/d/a/file", "/d/link"}));
}

TEST(FileSystem, RenameNeverOverwritesAndExistenceSeesDanglingLinks)
{
    MacTree t;
    t.write("/a", "first");
    t.write("/b", "second");
    EXPECT_EQ(t.fs().rename("/a", "/b"), EEXIST);
    EXPECT_EQ(t.read("/b"), "second");
    EXPECT_EQ(t.fs().rename("/a", "/c"), 0);
    t.symlink("/dangling", "/nowhere");
    EXPECT_FALSE(t.fs().exists("/dangling"));
    EXPECT_TRUE(t.fs().existsNoFollow("/dangling"));
}

TEST(FileSystem, ResolvesParentsButKeepsTheLastComponent)
{
    MacTree t;
    t.mkdir("/Users/tester/Library/Caches/real");
    t.symlink("/Users/tester/Library/Caches/alias", t.host("/System/Library"));
    t.mkdir("/System/Library");
    EXPECT_EQ(t.fs().resolvingParents("/Users/tester/Library/Caches/alias/x"), std::optional<QString>("/System/Library/x"));
    EXPECT_EQ(t.fs().resolvingParents("/Users/tester/Library/Caches/alias"),
              std::optional<QString>("/Users/tester/Library/Caches/alias"));
    t.symlink("/Users/tester/escape", "/etc");
    EXPECT_EQ(t.fs().resolvingParents("/Users/tester/escape/passwd"), std::nullopt);
}

TEST(FileSystem, AtomicWriteKeepsTheFileMode)
{
    MacTree t;
    t.write("/f.plist", "old");
    ::chmod(t.fs().toHost("/f.plist").constData(), 0640);
    ASSERT_TRUE(t.fs().writeFileAtomic("/f.plist", "new"));
    EXPECT_EQ(t.read("/f.plist"), "new");
    EXPECT_EQ(t.fs().stat("/f.plist")->mode & 0777, 0640u);
    EXPECT_EQ(t.fs().list("/", Hidden::Include)->size(), 2u);  // Users and the file; no temporary left
}

TEST(DiskUsage, CountsFilesOnceAndFoldersNot)
{
    MacTree t;
    t.writeSized("/d/a", 1000);
    t.writeSized("/d/b", 1000);
    t.writeSized("/d/sub/c", 1000);
    ASSERT_EQ(::link(t.fs().toHost("/d/a").constData(), t.fs().toHost("/d/sub/a-again").constData()), 0);
    t.symlink("/d/link", t.host("/d/sub"));
    t.mkdir("/empty");
    const auto usage = DiskUsage::measure(t.fs(), "/d");
    ASSERT_TRUE(usage);
    const qint64 linkSize = t.host("/d/sub").toUtf8().size();
    EXPECT_EQ(usage->apparentBytes, 3000 + linkSize);
    EXPECT_EQ(usage->apparentKiBBytes(), DiskUsage::roundUpKiB(3000 + linkSize));
    EXPECT_EQ(DiskUsage::measure(t.fs(), "/empty")->apparentBytes, 0);
    EXPECT_EQ(DiskUsage::measure(t.fs(), "/missing"), std::nullopt);
    EXPECT_EQ(DiskUsage::measure(t.fs(), "/d/a")->apparentBytes, 1000);
}

TEST(FileSystem, ARootReachedThroughASymlinkStillResolvesUnderItself)
{
    MacTree t;
    t.mkdir("/real/Users/tester/Library/Caches");
    const QString linkedRoot = t.hostRoot() + "/linked-root";
    ASSERT_EQ(::symlink(t.host("/real").toUtf8().constData(), linkedRoot.toUtf8().constData()), 0);
    const FileSystem fs(linkedRoot, "/Users/tester");
    EXPECT_EQ(fs.resolvingParents("/Users/tester/Library/Caches/x"), std::optional<QString>("/Users/tester/Library/Caches/x"));
    EXPECT_TRUE(fs.isDirectory("/Users/tester/Library"));
}
