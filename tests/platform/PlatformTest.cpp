#include "platform/DiskUsage.h"
#include "platform/FileSystem.h"
#include "platform/HostServices.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"
#include "platform/SafeRead.h"
#include "support/Collect.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tw;
using tw::test::MacTree;

TEST(Path, StandardizesLexicallyAndSplitsNames)
{
    const std::pair<const char16_t*, const char*> standard[] = {
        {u"/a//b/./c/", "/a/b/c"}, {u"/Users/ann/Library/Caches/../Caches", "/Users/ann/Library/Caches"},
        {u"/../../etc", "/etc"},   {u"/", "/"},
        {u"", ""},
    };
    for (const auto& [in, out] : standard)
        EXPECT_EQ(path::standardized(in), out) << out;
    // An extension needs a dot inside the name.
    const std::pair<const char16_t*, const char*> extensions[] = {
        {u"/Applications/Foo.app", "app"}, {u"/x/archive.tar.gz", "gz"}, {u"/x/.hidden", ""}, {u"/x/trailing.", ""}, {u"/x/Notes", ""},
    };
    for (const auto& [in, out] : extensions)
        EXPECT_EQ(path::extension(in), out) << out;
    EXPECT_TRUE(path::isAppBundle(u"/x/Foo.APP"));
    EXPECT_FALSE(path::isAppBundle(u"/x/.app"));
    EXPECT_EQ(path::trashName("Foo.app", 0), "Foo.app");
    EXPECT_EQ(path::trashName("Notes", 500), "Notes 500");
    EXPECT_EQ(path::baseName(u"/x/Foo.app/"), "Foo");
    EXPECT_EQ(path::deletingExtension(u"/x/Foo.app"), "/x/Foo");
    EXPECT_EQ(path::parent(u"/a/b"), "/a");
    EXPECT_EQ(path::parent(u"/a"), "/");
    EXPECT_EQ(path::join(u"/", u"a"), "/a");
    EXPECT_EQ(path::join(u"/a", u"b"), "/a/b");
    EXPECT_TRUE(path::isInside(u"/a/b", u"/a"));
    EXPECT_FALSE(path::isInside(u"/ab", u"/a"));
    EXPECT_FALSE(path::isInside(u"/a", u"/a"));
}

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

TEST(FileSystem, ListsSortedByBytesAndSkipsHiddenUnlessAskedAndWalksNoLinkedFolder)
{
    MacTree t;
    for (const char* name : {"/d/b", "/d/B", "/d/a", "/d/.hidden", "/d/sub/file"})
        t.write(name, "1");
    const auto names = [](const std::vector<DirEntry>& v) { return tw::test::collect(v, &DirEntry::name); };
    EXPECT_EQ(names(*t.fs().list("/d")), (QStringList{"B", "a", "b", "sub"}));
    EXPECT_EQ(names(*t.fs().list("/d", Hidden::Include)), (QStringList{".hidden", "B", "a", "b", "sub"}));
    EXPECT_EQ(t.fs().list("/missing"), std::nullopt);

    t.write("/outside/secret", "s");
    t.symlink("/d/link", t.host("/outside"));
    QStringList visited;
    t.fs().walk("/d", Hidden::Skip, [&](const QString& p, const DirEntry&, int) {
        visited << p;
        return FileSystem::Visit::Continue;
    });
    EXPECT_EQ(visited, (QStringList{"/d/B", "/d/a", "/d/b", "/d/link", "/d/sub", "/d/sub/file"}));
}

TEST(FileSystem, ListsOnlyNamesThatAreUtf8InByteOrder)
{
    MacTree t;
    t.mkdir("/n");
    const QByteArray folder = t.fs().toHost("/n");
    // Not UTF-8: a stray byte, an overlong slash, an encoded surrogate.
    for (const QByteArray& raw : {QByteArray("caf\xc3\xa9"), QByteArray("bad\xff"), QByteArray("over\xc0\xaf"),
                                  QByteArray("sur\xed\xa0\x80"), QByteArray("z"), QByteArray("\xf0\x9f\x98\x80"),
                                  QByteArray("\xee\x80\x80")}) {
        const int fd = ::open((folder + "/" + raw).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << raw.toStdString();
        ::close(fd);
    }
    const auto listed = t.fs().list("/n");
    ASSERT_TRUE(listed);
    EXPECT_EQ(tw::test::collect(*listed, &DirEntry::name),
              (QStringList{QStringLiteral("caf\u00e9"), "z", QStringLiteral("\ue000"), QStringLiteral("\U0001F600")}));
}

TEST(FileSystem, RenameNeverOverwritesAndExistenceSeesDanglingLinks)
{
    MacTree t;
    t.write("/a", "first");
    t.write("/b", "second");
    EXPECT_EQ(t.fs().rename("/a", "/b"), Error::posix(EEXIST));
    EXPECT_EQ(t.read("/b"), "second");
    EXPECT_EQ(t.fs().rename("/a", "/c"), Status());
    t.symlink("/dangling", "/nowhere");
    EXPECT_FALSE(t.fs().exists("/dangling"));
    EXPECT_TRUE(t.fs().existsNoFollow("/dangling"));

    // An atomic write keeps the file mode and leaves no temporary behind.
    t.write("/f.plist", "old");
    ::chmod(t.fs().toHost("/f.plist").constData(), 0640);
    ASSERT_TRUE(t.fs().writeFileAtomic("/f.plist", "new"));
    EXPECT_EQ(t.read("/f.plist"), "new");
    EXPECT_EQ(t.fs().stat("/f.plist")->mode & 0777, 0640u);
    EXPECT_EQ(t.fs().list("/", Hidden::Include)->size(), 5u);  // Users, b, c, dangling and the file
}

TEST(FileSystem, ReadsOnlyRegularFilesWithoutBlockingAndWithinTheirBound)
{
    MacTree t;
    t.write("/small", "abc");
    t.writeSized("/big", 10000);
    t.mkdir("/folder");
    ASSERT_EQ(::mkfifo(t.fs().toHost("/fifo").constData(), 0600), 0);

    EXPECT_EQ(t.fs().readFile("/small"), QByteArray("abc"));
    EXPECT_EQ(t.fs().readFile("/big")->size(), 10000);
    EXPECT_EQ(t.fs().readFile("/big", 10000)->size(), 10000);
    EXPECT_FALSE(t.fs().readFile("/big", 9999));
    EXPECT_FALSE(t.fs().readFile("/fifo"));    // would block forever if opened for a blocking read
    EXPECT_FALSE(t.fs().readFile("/folder"));
    EXPECT_FALSE(t.fs().readFile("/missing"));

    // Files that report no size are read to their end, into a reused buffer.
    QByteArray buffer;
    ASSERT_TRUE(readRegularFile("/proc/self/stat", buffer, 1 << 16));
    EXPECT_TRUE(buffer.startsWith(QByteArray::number(::getpid()) + " ("));
    ASSERT_TRUE(readRegularFile(t.fs().toHost("/small").constData(), buffer, 3));
    EXPECT_EQ(buffer, "abc");
}

TEST(FileSystem, ResolvesParentsButKeepsTheLastComponentAndStaysUnderALinkedRoot)
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

    // A root reached through a symlink still resolves under itself.
    t.mkdir("/real/Users/tester/Library/Caches");
    const QString linkedRoot = t.hostRoot() + "/linked-root";
    ASSERT_EQ(::symlink(t.host("/real").toUtf8().constData(), linkedRoot.toUtf8().constData()), 0);
    const FileSystem fs(linkedRoot, "/Users/tester");
    EXPECT_EQ(fs.resolvingParents("/Users/tester/Library/Caches/x"), std::optional<QString>("/Users/tester/Library/Caches/x"));
    EXPECT_TRUE(fs.isDirectory("/Users/tester/Library"));
}

TEST(DiskUsage, CountsFilesOnceAndFoldersNot)
{
    MacTree t;
    for (const char* name : {"/d/a", "/d/b", "/d/sub/c"})
        t.writeSized(name, 1000);
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

TEST(DiskUsage, StopsAtADepthBoundInAnEndlesslyNestedTree)
{
    MacTree t;
    QString shallow = "/deep", deep = "/deep";
    for (int level = 0; level < 300; ++level) {
        deep += "/d";
        if (level < 200)
            shallow = deep;
    }
    t.writeSized(shallow + "/near", 100);
    t.writeSized(deep + "/far", 7);
    const auto usage = DiskUsage::measure(t.fs(), "/deep");
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->apparentBytes, 100);
}

TEST(DiskUsage, ListsAndMeasuresFoldersLargerThanOneRead)
{
    // Long names, so that each folder's entries take several reads of the
    // kernel; the measuring walk keeps one buffer per level, so a subfolder
    // read in between must not disturb its parent's entries. Every hundredth
    // entry is a folder of 300 one-byte files, the others 10-byte files.
    MacTree t;
    const QString pad(120, u'x');
    QStringList names{".hidden"};
    t.writeSized("/big/.hidden", 5);
    for (int i = 0; i < 400; ++i) {
        const QString name = QString("%1-%2").arg(i, 4, 10, QChar('0')).arg(pad);
        names << name;
        if (i % 100 != 0)
            t.writeSized("/big/" + name, 10);
        else
            for (int j = 0; j < 300; ++j)
                t.writeSized(QString("/big/%1/%2-%3").arg(name).arg(j).arg(pad), 1);
    }
    const auto listed = t.fs().list("/big", Hidden::Include);
    ASSERT_TRUE(listed);
    EXPECT_EQ(tw::test::collect(*listed, &DirEntry::name), names);
    EXPECT_EQ(t.fs().list("/big/0100-" + pad)->size(), 300u);
    const auto usage = DiskUsage::measure(t.fs(), "/big");
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->apparentBytes, 396 * 10 + 4 * 300 + 5);
}

TEST(DiskUsage, WatchedWalkSeesMatchingNamesInNameOrderUpToItsLimit)
{
    // In name order: Leaf, then a.app, f00..f49, z.APP inside it, then Other
    // and m.app; the whole tree is measured wherever reporting stops.
    MacTree t;
    for (int i = 0; i < 50; ++i)
        t.writeSized(QString("/b/Contents/Leaf/f%1").arg(i, 2, 10, QChar('0')), 10);
    t.writeSized("/b/Contents/Leaf/z.APP", 1);
    t.writeSized("/b/Contents/Leaf/a.app", 1);
    t.writeSized("/b/Contents/Other/m.app", 1);
    t.writeSized("/b/outside.app", 100);
    QStringList seen;
    DiskUsage::Watch watch;
    watch.below = "Contents";
    watch.nameSuffix = ".app";
    watch.visit = [&](const QString& p, const DirEntry& e, int depth) {
        seen << QString("%1 %2 %3").arg(p, e.name).arg(depth);
    };
    const std::pair<int, QStringList> limits[] = {
        {30, {"/b/Contents/Leaf/a.app a.app 1"}},
        {53, {"/b/Contents/Leaf/a.app a.app 1", "/b/Contents/Leaf/z.APP z.APP 1"}},
        {55, {"/b/Contents/Leaf/a.app a.app 1", "/b/Contents/Leaf/z.APP z.APP 1", "/b/Contents/Other/m.app m.app 1"}},
    };
    for (const auto& [limit, expected] : limits) {
        seen.clear();
        watch.maxEntries = limit;
        const auto usage = DiskUsage::measure(t.fs(), "/b", &watch);
        ASSERT_TRUE(usage);
        EXPECT_EQ(usage->apparentBytes, 603) << limit;
        EXPECT_EQ(seen, expected) << limit;
    }
}

TEST(PropertyList, RoundTripsXmlAndBinaryAndReadsGarbageAsNothing)
{
    const QDateTime when(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
    const QVariantMap dict{{"Label", "com.example.agent"}, {"ProgramArguments", QStringList{"/bin/tool", "--flag"}},
                           {"Disabled", true},             {"Count", 42},
                           {"Ratio", 0.5},                 {"Blob", QByteArray("\x01\x02", 2)},
                           {"When", when}};
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
        EXPECT_EQ(m["When"].toDateTime(), when);
    }

    for (const QByteArray& garbage : {QByteArray(), QByteArray("not a plist at all"),
                                      QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key>"),
                                      QByteArray("bplist00\xff\xff\xff", 11)})
        EXPECT_EQ(plist::parse(garbage), std::nullopt) << garbage.constData();
    MacTree t;
    t.write("/x.plist", "<plist version=\"1.0\"><array><string>a</string></array></plist>");
    EXPECT_EQ(plist::readDictionary(t.fs(), "/x.plist"), std::nullopt);
    EXPECT_TRUE(plist::read(t.fs(), "/x.plist"));

    // Typed reads refuse other types.
    const QVariantMap d{{"s", "text"}, {"n", 3}, {"d", QVariantMap{}}, {"a", QVariantList{}}};
    EXPECT_EQ(plist::string(d, "s"), std::optional<QString>("text"));
    EXPECT_EQ(plist::string(d, "n"), std::nullopt);
    EXPECT_TRUE(plist::dictionary(d, "d"));
    EXPECT_FALSE(plist::dictionary(d, "a"));
    EXPECT_TRUE(plist::array(d, "a"));
    EXPECT_FALSE(plist::array(d, "missing"));
}

TEST(PrivacyStore, ReadsGrantsWithABoundParameterAndSeesADatabaseReplacedMeanwhile)
{
    MacTree t;
    const QString db = "/Library/Application Support/com.apple.TCC/TCC.db";
    t.makePrivacyDatabase(db, {{"com.example.app", "kTCCServiceCamera"}, {"COM.EXAMPLE.APP", "kTCCServiceMicrophone"},
                               {"com.example.app", "kTCCServiceCamera"}, {"com.example.app", "kTCCServicePhotos", 0}});
    auto store = host::makePrivacyStore(t.fs());
    auto services = store->grantedServices(db, "com.example.app");
    ASSERT_TRUE(services);
    services->sort();
    EXPECT_EQ(*services, (QStringList{"kTCCServiceCamera", "kTCCServiceMicrophone"}));
    EXPECT_EQ(store->grantedServices(db, "x' OR '1'='1"), Result<QStringList>(QStringList{}));

    t.makePrivacyDatabase(db, {{"com.example.app", "kTCCServiceScreenCapture"}});
    EXPECT_EQ(store->grantedServices(db, "com.example.app"), Result<QStringList>(QStringList{"kTCCServiceScreenCapture"}));

    t.write(db, "not a database");
    EXPECT_FALSE(store->grantedServices(db, "com.example.app"));
    EXPECT_FALSE(store->grantedServices("/missing.db", "com.example.app"));
}

TEST(Path, TheStandardFormShortcutAgreesWithTheFullRules)
{
    for (const QString p : {"/", "//", "/a", "/a/", "/a//b", "/a/./b", "/a/../b", "/a/.", "/a/..", "/a/.b", "/a/..b",
                            "/a/b.", "/a/b..", "/.", "/..", "/...", "a/b", "", "/Users/x/Library/Caches/com.x.app",
                            "/a/b/../../..", "/a/./", "/a/.../b"})
        EXPECT_EQ(path::standardized(p), path::standardized(QStringView(p))) << p.toStdString();
}
