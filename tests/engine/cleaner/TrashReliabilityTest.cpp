// Every removal path moves exactly the chosen items into the Trash, byte for
// byte, and nothing else; hostile names reach the administrator move only as
// data.

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "platform/HostServices.h"
#include "platform/Path.h"
#include "support/FakePlatform.h"
#include "support/Awaited.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kHome = QStringLiteral("/Users/tester");
const QString kTrash = QStringLiteral("/Users/tester/.Trash");

struct Entry {
    QString path;
    FileType type = FileType::Other;
    QByteArray content;  // file bytes or link target
};

using Inode = std::pair<std::uint64_t, std::uint64_t>;

QByteArray linkTarget(const FileSystem& fs, const QString& p)
{
    char buf[4096];
    const ssize_t n = ::readlink(fs.toHost(p).constData(), buf, sizeof buf);
    return n < 0 ? QByteArray() : QByteArray(buf, int(n));
}

// Every entry of the tree by inode, links not followed.
std::map<Inode, Entry> snapshot(const FileSystem& fs)
{
    std::map<Inode, Entry> out;
    fs.walk(QStringLiteral("/"), Hidden::Include, [&](const QString& p, const DirEntry&, int) {
        const auto st = fs.stat(p);
        if (!st)
            return FileSystem::Visit::Continue;
        Entry e{p, st->type, {}};
        if (st->type == FileType::Regular)
            e.content = fs.readFile(p).value_or(QByteArray("<unreadable>"));
        else if (st->type == FileType::Symlink)
            e.content = linkTarget(fs, p);
        out[{st->device, st->inode}] = e;
        return FileSystem::Visit::Continue;
    });
    return out;
}

bool within(const QString& p, const QString& item) { return p == item || path::isInside(p, item); }

class World {
public:
    explicit World(unsigned seed) : rng(seed) {}

    std::mt19937 rng;
    FakePlatform fp;
    QStringList entries;       // every path made below the roots
    QStringList folderLinks;   // symlinks to folders
    QStringList readOnly;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool chance(int percent) { return pick(100) < percent; }

    QString name()
    {
        static const QStringList pool{"com.example.tool", "Tool",  "Tool 1", "Cache", "data",
                                      "com.example.tool.plist", "notes.txt", "Logs", "Foo.app", "x"};
        return pool[pick(int(pool.size()))];
    }

    void fill(const QString& folder, int depth)
    {
        const int n = 1 + pick(4);
        for (int i = 0; i < n; ++i) {
            const QString p = path::join(folder, name());
            if (fp.fs().existsNoFollow(p))
                continue;
            const int kind = pick(10);
            if (kind < 5 || depth >= 2) {
                QByteArray bytes = p.toUtf8() + '#';
                for (int k = pick(600); k > 0; --k)
                    bytes += char(pick(256));
                fp.tree().write(p, bytes);
            } else if (kind < 8) {
                fp.tree().mkdir(p);
                fill(p, depth + 1);
            } else if (kind == 8 && !entries.isEmpty()) {
                const QString target = entries[pick(int(entries.size()))];
                fp.tree().symlink(p, fp.tree().host(target));
                if (fp.fs().isDirectory(target))
                    folderLinks << p;
            } else {
                fp.tree().symlink(p, QStringLiteral("../nowhere/") + QString::number(pick(1000)));
            }
            entries << p;
        }
    }

    void build()
    {
        for (const char* root : {"Caches", "Application Support", "Logs", "Preferences", "Containers"}) {
            const QString r = kHome + "/Library/" + QString::fromUtf8(root);
            fp.tree().mkdir(r);
            fill(r, 0);
        }
        // Some read-only folders; made last so that filling them worked.
        for (const QString& p : entries)
            if (fp.fs().stat(p)->type == FileType::Directory && chance(25))
                readOnly << p;
        for (const QString& p : readOnly)
            ::chmod(fp.fs().toHost(p).constData(), 0555);
        // As the user, a read-only folder refuses to give up its children.
        fp.trash->fail = [this](const QString& p) -> std::optional<Error> {
            const auto physical = fp.fs().resolvingParents(p);
            const auto parent = fp.fs().stat(path::parent(physical.value_or(p)), Links::Follow);
            if (parent && !(parent->mode & S_IWUSR))
                return host::trashError(EACCES, path::lastComponent(p));
            return std::nullopt;
        };
        // Now and then the administrator prompt is cancelled.
        if (chance(30))
            fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    }

    QStringList choose()
    {
        QStringList chosen;
        for (const QString& p : entries)
            if (chance(30))
                chosen << p;
        for (const QString& link : folderLinks)
            if (chance(50))
                if (const auto children = fp.fs().list(link, Hidden::Include); children && !children->empty())
                    chosen << path::join(link, children->front().name);
        chosen << kHome + "/Library/Caches/missing item";
        std::shuffle(chosen.begin(), chosen.end(), rng);
        return chosen;
    }

    void restorePermissions()
    {
        const auto all = snapshot(fp.fs());
        for (const auto& [inode, e] : all)
            if (e.type == FileType::Directory)
                ::chmod(fp.fs().toHost(e.path).constData(), 0755);
    }
};

struct Outcome {
    QStringList chosen;    // as the caller named them
    QStringList physical;  // where they lay before the run, parent links resolved
    QStringList moved;
    QStringList failed;

    void resolve(const FileSystem& fs)
    {
        physical.clear();
        for (const QString& c : chosen)
            physical << fs.resolvingParents(c).value_or(c);
    }
};

void verify(World& w, const std::map<Inode, Entry>& before, const Outcome& o, const QString& what)
{
    SCOPED_TRACE(what.toStdString());
    const FileSystem& fs = w.fp.fs();
    const QStringList& physical = o.physical;
    QSet<QString> existed;
    for (const auto& [inode, e] : before)
        existed.insert(e.path);

    const auto after = snapshot(fs);
    for (const auto& [inode, old] : before) {
        const auto it = after.find(inode);
        ASSERT_NE(it, after.end()) << "gone: " << old.path.toStdString();
        const Entry& now = it->second;
        EXPECT_EQ(now.type, old.type) << old.path.toStdString();
        EXPECT_EQ(now.content, old.content) << old.path.toStdString();
        if (now.path == old.path)
            continue;
        ASSERT_TRUE(path::isInside(now.path, kTrash)) << old.path.toStdString() << " -> " << now.path.toStdString();
        bool explained = false;
        for (const QString& c : physical) {
            if (!within(old.path, c))
                continue;
            const QString rest = old.path.mid(c.size());
            if (now.path.endsWith(rest) && path::parent(now.path.left(now.path.size() - rest.size())) == kTrash)
                explained = true;
        }
        EXPECT_TRUE(explained) << "moved without being chosen: " << old.path.toStdString() << " -> "
                               << now.path.toStdString();
    }
    for (const auto& [inode, now] : after)
        if (!before.count(inode)) {
            EXPECT_EQ(now.path, kTrash) << "appeared: " << now.path.toStdString();
        }

    // The report tells the truth.
    for (const QString& m : o.moved)
        EXPECT_FALSE(fs.existsNoFollow(m)) << "reported moved but still there: " << m.toStdString();
    for (const QString& f : o.failed) {
        const qsizetype at = o.chosen.indexOf(f);
        const QString where = at >= 0 ? physical[at] : f;
        if (!existed.contains(where))
            continue;  // nothing there to move
        bool ancestorMoved = false;
        for (const QString& m : o.moved) {
            const qsizetype mi = o.chosen.indexOf(m);
            if (path::isInside(where, mi >= 0 ? physical[mi] : m))
                ancestorMoved = true;
        }
        EXPECT_TRUE(fs.existsNoFollow(where) || ancestorMoved) << "reported failed but gone: " << f.toStdString();
    }
}

} // namespace

TEST(TrashReliability, RandomTreesLoseNothingThroughAnyRemovalPath)
{
    int moved[3] = {}, failed[3] = {}, escalations = 0, renamed = 0;
    for (unsigned seed = 1; seed <= 36; ++seed) {
        World w(seed);
        w.build();
        const QStringList picks = w.choose();
        const int route = int(seed % 3);
        const QString what = QStringLiteral("seed %1, route %2").arg(seed).arg(route);
        Outcome o;
        std::function<void()> run;
        if (route == 0) {  // the Trash move on its own
            o.chosen = picks;
            run = [&] {
                for (const QString& c : o.chosen)
                    (privilegedtrash::moveToTrash(w.fp, c) ? o.moved : o.failed) << c;
            };
        } else if (route == 1) {  // an uninstall with some leftovers chosen
            const QString bundle = w.fp.tree().makeApp(
                w.chance(50) ? "/Applications/Tool.app" : kHome + "/Applications/Tool.app", "com.example.tool", "Tool");
            const bool removeBundle = w.chance(70);
            QList<LeftoverPtr> leftovers;
            for (const QString& c : picks) {
                leftovers << LeftoverFile::make({c, 0, QStringLiteral("Caches")});
                leftovers.last()->setIsSelected(w.chance(80));
                if (leftovers.last()->isSelected())
                    o.chosen << c;
            }
            if (removeBundle)
                o.chosen.prepend(bundle);
            run = [&, bundle, removeBundle, leftovers] {
                AppScanner scanner(w.fp.platform());
                const auto r = test::uninstalled(scanner, AppInfo::make({"Tool", "com.example.tool", bundle}), leftovers,
                                           removeBundle ? BundleRemoval::MoveToTrash : BundleRemoval::Keep);
                o.moved = r.moved;
                o.failed = r.failedPaths();
                if (!r.status) {
                    EXPECT_TRUE(r.moved.isEmpty()) << what.toStdString();
                }
            };
        } else {  // remains entries standing for one to three paths
            QList<RemovableItem> items;
            for (qsizetype i = 0; i < picks.size();) {
                RemovableItem item;
                const qsizetype n = std::min<qsizetype>(1 + w.pick(3), picks.size() - i);
                item.path = picks[i];
                if (n > 1 || w.chance(50))
                    item.relatedPaths = picks.mid(i, n);
                item.isSelected = w.chance(75);
                if (item.isSelected)
                    o.chosen += picks.mid(i, n);
                items << item;
                i += n;
            }
            run = [&, items] {
                SystemCleaner cleaner(w.fp.platform());
                const RemovalReport r = test::trashed(cleaner, items);
                o.moved = r.moved;
                o.failed = r.failedPaths();
            };
        }
        o.resolve(w.fp.fs());
        const auto before = snapshot(w.fp.fs());
        run();
        verify(w, before, o, what);
        moved[route] += int(o.moved.size());
        failed[route] += int(o.failed.size());
        escalations += int(w.fp.admin->calls.size());
        if (const auto trashed = w.fp.fs().list(kTrash, Hidden::Include))
            for (const DirEntry& e : *trashed)
                renamed += e.name.contains(QRegularExpression(" [0-9]+(\\.[a-z]+)?$")) ? 1 : 0;
        w.restorePermissions();
    }
    // The seeds cover what they are meant to: moves and failures on every
    // route, administrator moves and clashing names in the Trash.
    for (int route = 0; route < 3; ++route) {
        EXPECT_GT(moved[route], 0) << route;
        EXPECT_GT(failed[route], 0) << route;
    }
    EXPECT_GT(escalations, 0);
    EXPECT_GT(renamed, 0);
}

TEST(TrashReliability, HostileNamesReachTheAdministratorMoveAsExactlyThreePaths)
{
    const QStringList names{"it's.app", "say \"hi\"", "back\\slash", "$(touch pwned)", "`touch pwned`", "-rf",
                            "--", "a; touch pwned", "*?[x]", "tab\tname", "ünï cødé", "'; rm -rf ~; '"};
    const QStringList broken{"new\nline", "carriage\rreturn"};
    FakePlatform fp;
    fp.trash->fail = [](const QString& p) {
        return std::optional<Error>(host::trashError(EACCES, path::lastComponent(p)));
    };
    for (const QString& name : names + broken) {
        const QString item = kHome + "/Library/Caches/" + name;
        fp.tree().write(item, name.toUtf8());
    }

    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString item = kHome + "/Library/Caches/" + name;
        const size_t before = fp.admin->calls.size();
        EXPECT_EQ(privilegedtrash::moveToTrash(fp, item), Result<Trashed>(Trashed::moved));
        ASSERT_EQ(fp.admin->calls.size(), before + 1);
        const auto& call = fp.admin->calls.back();
        EXPECT_EQ(call.trash, kTrash);
        EXPECT_EQ(call.source, item);
        EXPECT_EQ(call.destination, kTrash + "/" + name);
        EXPECT_EQ(fp.tree().read(kTrash + "/" + name), name.toUtf8());
    }
    for (const QString& name : broken) {
        SCOPED_TRACE(name.toStdString());
        const QString item = kHome + "/Library/Caches/" + name;
        const size_t before = fp.admin->calls.size();
        const auto e = privilegedtrash::moveToTrash(fp, item);
        ASSERT_FALSE(e.ok());
        EXPECT_EQ(e.error().code, 2);
        EXPECT_EQ(fp.admin->calls.size(), before);
        EXPECT_EQ(fp.tree().read(item), name.toUtf8());
    }

    // The host's runner refuses line breaks before anything starts.
    auto runner = host::makeAdminRunner(fp.fs());
    const Status refused = runner->moveIntoTrash(kTrash, kHome + "/Library/Caches/new\nline", kTrash + "/x");
    EXPECT_EQ(refused.error().domain, kScriptErrorDomain);
}

TEST(TrashReliability, TheHostsAdministratorCommandTreatsPathsAsData)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString trash = dir.path() + "/.Trash";
    QDir().mkpath(trash);
    QDir().mkpath(dir.path() + "/work");
    const auto put = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const auto get = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    const auto runMove = [&](const QString& t, const QString& source, const QString& destination) {
        const QStringList args = host::adminMoveArguments(t, source, destination);
        EXPECT_EQ(args.mid(args.size() - 3), (QStringList{t, source, destination}));
        QProcess sh;
        sh.setWorkingDirectory(dir.path() + "/work");
        sh.start(args.first(), args.mid(1));
        EXPECT_TRUE(sh.waitForFinished(10000));
        return sh.exitCode();
    };
    for (const QString name : {"it's", "say \"hi\"", "back\\slash", "$(touch pwned)", "`touch pwned`", "-rf", "a; touch pwned",
                               "$HOME", "*"}) {
        SCOPED_TRACE(name.toStdString());
        const QString source = dir.path() + "/" + name;
        ASSERT_TRUE(put(source, name.toUtf8()));
        EXPECT_EQ(runMove(trash, source, trash + "/" + name), 0);
        EXPECT_FALSE(QFile::exists(source));
        EXPECT_EQ(get(trash + "/" + name), name.toUtf8());
    }
    EXPECT_TRUE(QDir(dir.path() + "/work").isEmpty());
    EXPECT_FALSE(QFile::exists(dir.path() + "/pwned"));

    // An existing item at the destination is never overwritten, and a
    // missing Trash is not created.
    ASSERT_TRUE(put(dir.path() + "/a", "new") && put(trash + "/a", "old"));
    for (const QString& t : {trash, dir.path() + "/NoTrash"})
        runMove(t, dir.path() + "/a", t + "/a");
    EXPECT_EQ(get(trash + "/a"), "old");
    EXPECT_TRUE(QFile::exists(dir.path() + "/a"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/NoTrash"));
}
