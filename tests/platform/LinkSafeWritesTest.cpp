// Writes that never follow a link on the way, and Trash names that fit.

#include "platform/FileSystem.h"
#include "platform/FolderHandle.h"
#include "platform/Path.h"
#include "support/MacTree.h"

#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>

#include <gtest/gtest.h>

using namespace tw;
using tw::test::MacTree;

namespace {

// A folder outside every tree, for links that lead out of the root.
struct Outside {
    QTemporaryDir dir;
    QString host(const char* name = "") const { return dir.path() + "/" + QString::fromUtf8(name); }
};

} // namespace

TEST(FolderHandle, BothWalksOpenRealFoldersOnlyAndNeverLeaveTheBase)
{
    MacTree t;
    Outside out;
    t.mkdir("/a/b/c");
    t.write("/a/file", "x");
    t.symlink("/a/inside", "b");                          // a link within the tree
    t.symlink("/a/out", out.host());                      // a link out of it
    const struct {
        const char* relative;
        int error;  // 0: opens
    } cases[] = {
        {"", 0},          {"a", 0},      {"a/b/c", 0},      {"a/inside", ELOOP}, {"a/inside/c", ELOOP},
        {"a/out", ELOOP}, {"a/file", ENOTDIR}, {"a/missing", ENOENT}, {"a/../a", EINVAL}, {"a//b", EINVAL},
        {"./a", EINVAL},  {"/a", EINVAL},
    };
    const UniqueFd root(::open(t.hostRoot().toUtf8().constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (const Walk walk : {Walk::Kernel, Walk::ByComponent})
        for (const auto& c : cases) {
            const Result<UniqueFd> opened = openFolderBeneath(root.get(), c.relative, walk);
            EXPECT_EQ(opened.ok() ? 0 : opened.error().code, c.error) << c.relative << " walk " << int(walk);
        }
}

TEST(FileSystem, WritesNeverFollowALinkOnTheWay)
{
    MacTree t;
    Outside out;
    ASSERT_TRUE(QDir().mkpath(out.host("victim")));
    QFile outsideFile(out.host("victim/item"));
    ASSERT_TRUE(outsideFile.open(QIODevice::WriteOnly));
    outsideFile.write("outside");
    outsideFile.close();
    t.write("/real/item", "inside");
    t.mkdir("/dest");
    t.symlink("/linked", out.host("victim"));  // a folder swapped for a link out of the root
    t.symlink("/near", "real");                // and one within it

    // A rename through a link fails and moves nothing, on either side.
    EXPECT_EQ(t.fs().rename("/linked/item", "/dest/item"), Error::posix(ELOOP));
    EXPECT_EQ(t.fs().rename("/near/item", "/dest/item"), Error::posix(ELOOP));
    EXPECT_EQ(t.fs().rename("/real/item", "/near/moved"), Error::posix(ELOOP));
    EXPECT_TRUE(QFile::exists(out.host("victim/item")));
    EXPECT_EQ(t.read("/real/item"), "inside");
    EXPECT_TRUE(t.fs().rename("/real/item", "/dest/item"));

    // An atomic write never replaces a link with a file nor writes through one.
    t.symlink("/dest/job.plist", out.host("victim/item"));
    EXPECT_EQ(t.fs().writeFileAtomic("/dest/job.plist", "new"), Error::posix(ELOOP));
    EXPECT_EQ(t.fs().writeFileAtomic("/linked/item", "new"), Error::posix(ELOOP));
    EXPECT_EQ(t.fs().stat("/dest/job.plist")->type, FileType::Symlink);
    QFile check(out.host("victim/item"));
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "outside");
    EXPECT_EQ(t.fs().writeFileAtomic("/dest", "over a folder"), Error::posix(EISDIR));
    // A name near the limit is written in place (its temporary has a short name).
    const QString longName = "/dest/" + QString(244, 'n') + ".plist";
    EXPECT_TRUE(t.fs().writeFileAtomic(longName, "long"));
    EXPECT_EQ(t.read(longName), "long");
    EXPECT_EQ(t.fs().list("/dest", Hidden::Include)->size(), 3u);  // item, the link and the long file

    // Folders are never made through a link.
    EXPECT_FALSE(t.fs().makeDirectories("/linked/made/here"));
    EXPECT_FALSE(QFile::exists(out.host("victim/made")));
    EXPECT_TRUE(t.fs().makeDirectories("/dest/made/here", 0700));
    EXPECT_EQ(t.fs().stat("/dest/made")->mode & 0777, 0700u);
}

TEST(Path, TrashNamesKeepTheExtensionAndWholeCharactersWithinTheNameLimit)
{
    const QString a251 = QString(247, 'a') + ".txt";  // 251 bytes
    const QString a255 = QString(251, 'a') + ".txt";
    const QString accents = QString(125, QChar(0xE9)) + ".txt";  // 250 + 4 bytes
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString emoji = "xxx" + smile.repeated(62) + ".md";  // 3 + 248 + 3 bytes
    const QString longExtension = "a." + QString(250, 'e');
    const QString tooLongExtension = "a." + QString(252, 'e');
    const struct {
        QString name;
        int n;
        QString expected;
    } cases[] = {
        {a251, 0, a251},
        {a251, 1, QString(247, 'a') + " 1.txt"},
        {a255, 1, QString(249, 'a') + " 1.txt"},
        {a255, 500, QString(247, 'a') + " 500.txt"},
        {accents, 1, QString(124, QChar(0xE9)) + " 1.txt"},
        {emoji, 1, "xxx" + smile.repeated(61) + " 1.md"},
        {longExtension, 7, "a 7." + QString(250, 'e')},
        {tooLongExtension, 7, tooLongExtension.left(253) + " 7"},
        {"Notes", 3, "Notes 3"},
    };
    for (const auto& c : cases) {
        const QString name = path::trashName(c.name, c.n);
        EXPECT_EQ(name, c.expected) << c.name.left(12).toStdString() << ' ' << c.n;
        EXPECT_LE(name.toUtf8().size(), path::kMaxNameBytes);
    }
    const QString uuid = path::trashName(a255, 501);
    EXPECT_EQ(uuid.toUtf8().size(), 255);
    EXPECT_TRUE(uuid.endsWith(".txt"));
}
