// Every scan over a Mac tree built to hurt its readers: FIFOs wherever a
// file is read, links out of the root and in loops, folders nested deeper
// than a path can name, names with line breaks, property lists that bomb,
// nest or hold NUL. Each scan must come back and leave every file as it was.

#include "Items.h"
#include "engine/cleaner/Extensions.h"
#include "engine/cleaner/Remains.h"
#include "engine/cleaner/StartupItems.h"
#include "engine/inventory/Discovery.h"
#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/Prefetch.h"
#include "platform/Path.h"
#include "platform/ThreadPool.h"
#include "support/BinaryPlist.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QString kLib = QStringLiteral("/Users/tester/Library");
const QString kSupport = kLib + "/Application Support";
const QString kChrome = kSupport + "/Google/Chrome/Default/Extensions";

// How many folders named "d" lie inside one another from top down.
int chainDepth(const FileSystem& fs, const QString& top)
{
    int depth = 0;
    int fd = ::open(fs.toHost(top).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    while (fd >= 0) {
        ++depth;
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        ::close(fd);
        fd = next;
    }
    return depth;
}

constexpr int kDeep = 1000;  // levels of the deep folders: some 2,000 bytes of path

// Every entry below the root, links not followed: path -> "type size mtime".
// A deep chain is recorded down to its bottom folder's depth only.
std::map<QString, QString> snapshot(const FileSystem& fs)
{
    std::map<QString, QString> out;
    fs.walk("/", Hidden::Include, [&](const QString& path, const DirEntry& e, int) {
        const auto st = fs.stat(path);
        out[path] = st ? QStringLiteral("%1 %2 %3").arg(int(st->type)).arg(st->size).arg(st->modified->toMSecsSinceEpoch())
                       : QStringLiteral("gone");
        if (e.name != QLatin1String("d"))
            return FileSystem::Visit::Continue;
        out[path] += QStringLiteral(" depth %1").arg(chainDepth(fs, path));
        return FileSystem::Visit::SkipChildren;
    });
    return out;
}

class HostileTree {
public:
    explicit HostileTree(FakePlatform& fp) : m_fp(fp), m_tree(fp.tree()), m_outside(m_outsideDir.path(), "/Users/tester")
    {
        buildOutside();
        buildApplications();
        buildLibrary();
        buildExtensions();
    }

    // Removing the deep chains from the bottom, one handle per level, is
    // quicker than a removal by paths that grow with every level.
    ~HostileTree()
    {
        for (const QString& top : m_deep) {
            std::vector<int> chain{::open(m_tree.fs().toHost(top).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW)};
            while (chain.back() >= 0)
                chain.push_back(::openat(chain.back(), "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
            chain.pop_back();
            for (size_t i = chain.size(); i-- > 1;)
                ::unlinkat(chain[i - 1], "d", AT_REMOVEDIR);
            for (int fd : chain)
                ::close(fd);
        }
    }

    const FileSystem& outside() const { return m_outside; }

private:
    void fifo(const QString& path) const
    {
        m_tree.mkdir(path::parent(path));
        ASSERT_EQ(::mkfifo(m_tree.fs().toHost(path).constData(), 0600), 0) << path.toStdString();
    }
    void linkOut(const QString& link, const QString& outsidePath) const
    {
        m_tree.mkdir(path::parent(link));
        m_tree.symlink(link, m_outside.toHostString(outsidePath));
    }
    // levels folders named "d" inside one another.
    void deepFolders(const QString& under, int levels)
    {
        m_tree.mkdir(under);
        m_deep << under;
        int fd = ::open(m_tree.fs().toHost(under).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        for (int i = 0; i < levels; ++i) {
            ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            ASSERT_GE(fd = next, 0);
        }
        ::close(fd);
    }

    void buildOutside()
    {
        MacTree out(m_outsideDir.path(), "tester");
        out.makeApp("/Apps/Outside.app", "com.example.good", "Outside");
        out.writeSized("/Caches/com.example.good/data", 4096);
        out.writePlist("/agent.plist", {{"Label", "com.example.outside"}, {"Program", "/Apps/Outside.app/Contents/MacOS/x"}});
        out.writeSized("/com.example.gone.plist", 100);
        ASSERT_EQ(::mkfifo(m_outside.toHost("/fifo.plist").constData(), 0600), 0);
    }

    void buildApplications()
    {
        tw::test::BundleRecipe good;
        good.identifier = "com.example.good";
        good.name = "Good";
        good.extra = {{"CFBundleIconFile", "icon"}, {"CFBundleDocumentTypes", QVariantList{QVariantMap{{"CFBundleTypeExtensions", QStringList{"gd"}}}}}};
        m_tree.makeApp("/Applications/Good.app", good);
        fifo("/Applications/Good.app/Contents/Resources/icon.icns");
        fifo("/Applications/Good.app/Contents/PlugIns/Ext.appex/Contents/Info.plist");
        m_tree.makeApp("/Applications/Line\nBreak.app", "com.example.line\nbreak", "Line\nBreak");

        // Unreadable Info.plists of every kind.
        m_tree.makeApp("/Applications/Fifo.app", tw::test::BundleRecipe{.withoutInfoPlist = true});
        fifo("/Applications/Fifo.app/Contents/Info.plist");
        tw::test::BinaryPlist nul;
        const int key = nul.ascii("CFBundleIdentifier"), value = nul.utf16(std::u16string(u"com.\0nul", 8));
        m_tree.write("/Applications/Nul.app/Contents/Info.plist", nul.finish(nul.dict({key}, {value})));
        m_tree.write("/Applications/Bomb.app/Contents/Info.plist", tw::test::referenceBomb(40));
        m_tree.write("/Applications/Deep.app/Contents/Info.plist", tw::test::xmlNested(100000));

        linkOut("/Applications/Utilities", "/Apps");
        m_tree.symlink("/Applications/Loop.app", ".");
        m_tree.symlink("/Users/tester/Applications", "Applications");
    }

    void buildLibrary()
    {
        // Leftovers of Good, inside and out.
        m_tree.writeSized(kLib + "/Caches/com.example.good/data", 8192);
        m_tree.writeSized(kLib + "/Caches/com.example.good\nx/data", 10);
        linkOut(kLib + "/Caches/com.example.good.link", "/Caches/com.example.good");
        linkOut(kSupport + "/Good", "/Caches");
        deepFolders(kSupport + "/com.example.good/deep", kDeep);
        m_tree.symlink(kSupport + "/com.example.good/back", "..");
        m_tree.symlink(kLib + "/Caches/loop", ".");
        m_tree.symlink(kLib + "/Containers", "Containers");
        fifo(kLib + "/Preferences/com.example.good.plist");

        // Remains of an application that is gone.
        deepFolders(kLib + "/Caches/com.example.gone", kDeep);
        fifo(kLib + "/Preferences/com.example.gone.plist");
        linkOut(kLib + "/Preferences/com.example.gone.out.plist", "/com.example.gone.plist");

        // Startup items.
        m_tree.writePlist(kLib + "/LaunchAgents/com.example.good.plist",
                          {{"Label", "com.example.good"}, {"Program", "/Applications/Good.app/Contents/MacOS/Good"}});
        m_tree.writePlist(kLib + "/LaunchAgents/com.example\nnl.plist", {{"Label", "com.example\nnl"}});
        fifo(kLib + "/LaunchAgents/com.example.fifo.plist");
        fifo("/Library/LaunchDaemons/com.example.fifo.plist");
        m_tree.write("/Library/LaunchAgents/com.example.bomb.plist", tw::test::referenceBomb(40));
        m_tree.write("/Library/LaunchAgents/com.example.deep.plist", tw::test::binaryNested(100000));
        linkOut(kLib + "/LaunchAgents/com.example.out.plist", "/agent.plist");
        linkOut(kLib + "/LaunchAgents/com.example.outfifo.plist", "/fifo.plist");

        // The privacy database.
        fifo(kSupport + "/com.apple.TCC/TCC.db");
    }

    void buildExtensions()
    {
        fifo(kChrome + "/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/1.0_0/manifest.json");
        m_tree.write(kChrome + "/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/1.0_0/manifest.json",
                     R"({"name": "__MSG_appName__", "default_locale": "en", "icons": {"128": "icon.png"}})");
        fifo(kChrome + "/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/1.0_0/_locales/en/messages.json");
        fifo(kChrome + "/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/1.0_0/icon.png");
        fifo(kLib + "/Screen Savers/Fifo.saver/Contents/Info.plist");
        m_tree.write(kLib + "/PreferencePanes/Bomb.prefPane/Contents/Info.plist", tw::test::referenceBomb(40));
        linkOut(kLib + "/Internet Plug-Ins", "/Apps");
    }

    FakePlatform& m_fp;
    MacTree& m_tree;
    QTemporaryDir m_outsideDir;
    FileSystem m_outside;
    QStringList m_deep;
};

// Every path lies inside the root once its parents are resolved.
void expectInside(const FileSystem& fs, const QStringList& paths, const char* scan)
{
    for (const QString& p : paths)
        EXPECT_TRUE(fs.resolvingParents(p)) << scan << ": " << p.toStdString();
}

QStringList paths(const QList<RemovableItem>& items)
{
    QStringList out;
    for (const RemovableItem& i : items)
        out << i.path << i.relatedPaths;
    return out;
}

} // namespace

TEST(HostileTree, EveryScanComesBackAndLeavesEveryFileAsItWas)
{
    FakePlatform fp;
    const HostileTree hostile(fp);
    const Platform& p = fp.platform();
    const auto insideBefore = snapshot(fp.fs());
    const auto outsideBefore = snapshot(hostile.outside());

    const std::vector<AppDraft> apps = discovery::discoverInstalledApps(p);
    QStringList appPaths;
    for (const AppDraft& a : apps)
        appPaths << a.fields.path;
    EXPECT_TRUE(appPaths.contains("/Applications/Good.app")) << appPaths.join(", ").toStdString();
    EXPECT_TRUE(appPaths.contains("/Applications/Line\nBreak.app"));

    const auto leftovers = leftovers::findLeftovers(p, "com.example.good", "Good", std::nullopt, "/Applications/Good.app");
    QStringList leftoverPaths = tw::test::collect(leftovers, &LeftoverItem::path);
    EXPECT_TRUE(leftoverPaths.contains(kLib + "/Caches/com.example.good")) << leftoverPaths.join(", ").toStdString();
    expectInside(fp.fs(), leftoverPaths, "leftovers");
    EXPECT_EQ(prefetch::privacyPermissionCount(p, "com.example.good", "/Applications/Good.app"), 0);

    const auto remains = remains::findOrphans(p, {"com.example.good"}, {"Good"});
    expectInside(fp.fs(), paths(remains), "remains");

    const auto startup = startup::loadStartupItems(p);
    EXPECT_TRUE(paths(startup).contains(kLib + "/LaunchAgents/com.example.good.plist")) << paths(startup).join(", ").toStdString();

    const auto extensions = extensions::loadAllExtensions(p);
    EXPECT_TRUE(paths(extensions).contains(kChrome + "/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb")) << paths(extensions).join(", ").toStdString();
    tw::waitForEnginePool();

    EXPECT_EQ(snapshot(fp.fs()), insideBefore);
    EXPECT_EQ(snapshot(hostile.outside()), outsideBefore);
}
