#include "engine/inventory/PrivilegedTrash.h"
#include "platform/HostServices.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kHome = QStringLiteral("/Users/tester");
const QString kTrash = QStringLiteral("/Users/tester/.Trash");
const Result<Trashed> kMoved = Trashed::moved, kGone = Trashed::gone;

// Files made by a test run as root belong to root; give them to someone else
// so that they count as the user's own.
void chownTo(FakePlatform& fp, const QString& path, uid_t owner)
{
    if (::geteuid() == 0 || owner == 0) {
        ASSERT_EQ(::lchown(fp.fs().toHost(path).constData(), owner, owner), 0);
    }
}

Error unrecognised() { return {kCocoaErrorDomain, 512, QStringLiteral("“x” couldn’t be moved to the Trash (strange).")}; }

void failPlainMoves(FakePlatform& fp, const Error& e)
{
    fp.trash->fail = [e](const QString&) { return std::optional<Error>(e); };
}

bool setImmutable(const QByteArray& host, bool on)
{
    const int fd = ::open(host.constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// An item the current user cannot write: read-only bits, or the immutable
// flag when running as root. Undone on destruction so the tree can go.
struct Unwritable {
    Unwritable(const FileSystem& fs, const QString& path) : host(fs.toHost(path))
    {
        ::chmod(host.constData(), 0444);
        immutable = fs.isWritable(path) && setImmutable(host, true);
        ok = !fs.isWritable(path);
    }
    ~Unwritable()
    {
        if (immutable)
            setImmutable(host, false);
        ::chmod(host.constData(), 0644);
    }
    QByteArray host;
    bool immutable = false, ok = false;
};

} // namespace

TEST(PrivilegedTrash, MissingItemIsSuccessButADanglingLinkIsAnItem)
{
    FakePlatform fp;
    EXPECT_EQ(privilegedtrash::moveToTrash(fp, kHome + "/Library/Nothing"), kGone);
    EXPECT_TRUE(fp.trash->calls.isEmpty());
    EXPECT_TRUE(fp.admin->calls.empty());

    fp.tree().symlink(kHome + "/Library/Dangling", "/nowhere/at/all");
    EXPECT_EQ(privilegedtrash::moveToTrash(fp, kHome + "/Library/Dangling"), kMoved);
    EXPECT_EQ(fp.trash->calls, QStringList{kHome + "/Library/Dangling"});
    EXPECT_FALSE(fp.tree().exists(kHome + "/Library/Dangling"));
    EXPECT_TRUE(fp.tree().exists(kTrash + "/Dangling"));

    // Bad input fails softly and moves nothing.
    for (const QString bad : {"", "/", "relative/item"})
        EXPECT_FALSE(privilegedtrash::moveToTrash(fp, bad).ok()) << bad.toStdString();
    EXPECT_EQ(fp.trash->calls.size(), 1);

    // An item someone else took meanwhile is gone, not moved, and no administrator is asked.
    const QString item = kHome + "/Library/Logs/tool.log";
    fp.tree().write(item, "log");
    fp.tree().mkdir("/elsewhere");
    fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        EXPECT_TRUE(fp.fs().rename(p, "/elsewhere/tool.log"));
        return Error{kCocoaErrorDomain, 4, QStringLiteral("“tool.log” couldn’t be moved to the Trash because it doesn’t exist.")};
    };
    EXPECT_EQ(privilegedtrash::moveToTrash(fp, item), kGone);
    EXPECT_TRUE(fp.admin->calls.empty());
}

TEST(PrivilegedTrash, AnItemTakenWhileTheAdministratorIsAskedIsGoneWhateverThePromptSays)
{
    for (const Error& answer : {Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")},
                                Error{kScriptErrorDomain, 1, QStringLiteral("No such file or directory")}}) {
        SCOPED_TRACE(answer.description.toStdString());
        FakePlatform fp;
        const QString item = kHome + "/Library/Caches/com.example.tool";
        fp.tree().write(item, "cache");
        fp.tree().mkdir("/elsewhere");
        failPlainMoves(fp, host::trashError(EACCES, QStringLiteral("com.example.tool")));
        fp.admin->performMove = false;
        fp.admin->result = answer;
        fp.admin->asking = [&] { EXPECT_TRUE(fp.fs().rename(item, "/elsewhere/com.example.tool")); };
        EXPECT_EQ(privilegedtrash::moveToTrash(fp, item), kGone);
        EXPECT_EQ(fp.admin->calls.size(), 1u);
        EXPECT_EQ(fp.tree().read("/elsewhere/com.example.tool"), "cache");
    }
}

TEST(PrivilegedTrash, PlainMoveFailuresEscalateOnlyForLackOfRights)
{
    const struct {
        const char* what;
        Error error;
        bool rootOwned;
        bool escalates;
    } cases[] = {
        {"513 whatever its domain", {QStringLiteral("Other"), 513, QStringLiteral("no")}, false, true},
        {"257", {kCocoaErrorDomain, 257, QStringLiteral("no")}, false, true},
        {"permission in the text", {QStringLiteral("Posix"), 1, QStringLiteral("Operation not Permission-ed")}, false, true},
        {"unrecognised, user-owned", unrecognised(), false, false},
        {"unrecognised, root-owned", unrecognised(), true, true},
        {"full volume, root-owned", {kCocoaErrorDomain, 640, QStringLiteral("“x” couldn’t be moved because the volume is full.")}, true, false},
        {"no such file while still present", {kCocoaErrorDomain, 4, QStringLiteral("gone?")}, false, false},
        // No password gives back file descriptors.
        {"out of descriptors, root-owned", host::trashError(EMFILE, QStringLiteral("com.example.tool")), true, false},
        {"out of the system's files, root-owned", host::trashError(ENFILE, QStringLiteral("com.example.tool")), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fp;
        const QString item = kHome + "/Library/Caches/com.example.tool";
        fp.tree().write(item + "/data", "payload");
        chownTo(fp, item, c.rootOwned ? 0 : 4242);
        ASSERT_EQ(privilegedtrash::isOwnedByRoot(fp.fs(), item), c.rootOwned);
        failPlainMoves(fp, c.error);

        const auto result = privilegedtrash::moveToTrash(fp, item);
        if (c.escalates) {
            EXPECT_EQ(result, kMoved);
            ASSERT_EQ(fp.admin->calls.size(), 1u);
            EXPECT_EQ(fp.admin->calls[0].trash, kTrash);
            EXPECT_EQ(fp.admin->calls[0].source, item);
            EXPECT_EQ(fp.admin->calls[0].destination, kTrash + "/com.example.tool");
            EXPECT_EQ(fp.tree().read(kTrash + "/com.example.tool/data"), "payload");
        } else {
            EXPECT_EQ(result, Result<Trashed>(c.error));  // passed on as the mover produced it
            EXPECT_TRUE(fp.admin->calls.empty());
            EXPECT_EQ(fp.tree().read(item + "/data"), "payload");
        }
    }

    // An item the user cannot write is escalated too; an administrator who
    // reports success but moved nothing is a failure.
    FakePlatform fp;
    const QString item = kHome + "/Library/Preferences/com.example.tool.plist";
    fp.tree().write(item, "prefs");
    chownTo(fp, item, 4242);
    Unwritable guard(fp.fs(), item);
    if (!guard.ok)
        GTEST_SKIP() << "cannot make a file unwritable here";
    failPlainMoves(fp, unrecognised());
    fp.admin->performMove = false;
    const auto result = privilegedtrash::moveToTrash(fp, item);
    EXPECT_EQ(fp.admin->calls.size(), 1u);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, 5);
}

TEST(PrivilegedTrash, UniqueTrashNameCountsUpToFiveHundredThenTakesAUuid)
{
    FakePlatform fp;
    const QString trash = fp.tree().makeTrash();
    const FileSystem& fs = fp.fs();
    EXPECT_EQ(privilegedtrash::uniqueTrashName(fs, "Foo.app", trash), "Foo.app");
    fp.tree().mkdir(trash + "/Foo.app");
    fp.tree().mkdir(trash + "/Foo 1.app");
    EXPECT_EQ(privilegedtrash::uniqueTrashName(fs, "Foo.app", trash), "Foo 2.app");
    // A dangling link takes its name too.
    fp.tree().symlink(trash + "/Bar.txt", "/missing");
    EXPECT_EQ(privilegedtrash::uniqueTrashName(fs, "Bar.txt", trash), "Bar 1.txt");

    fp.tree().write(trash + "/Notes", "");
    for (int n = 1; n <= 499; ++n)
        fp.tree().write(trash + "/Notes " + QString::number(n), "");
    EXPECT_EQ(privilegedtrash::uniqueTrashName(fs, "Notes", trash), "Notes 500");
    fp.tree().write(trash + "/Notes 500", "");
    const QString name = privilegedtrash::uniqueTrashName(fs, "Notes", trash);
    EXPECT_TRUE(QRegularExpression("^Notes [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$").match(name).hasMatch())
        << name.toStdString();
}

TEST(PrivilegedTrash, ElevatedMoveTurnsRunnerOutcomesIntoCodesTwoToFive)
{
    const QString cancelled = QStringLiteral("Uninstall cancelled — administrator permission is required to remove this item.");
    const QString stillThere = QStringLiteral("“%1” could not be moved to the Trash even with administrator privileges.");
    const QString noPrompt =
        QStringLiteral("“Tool.app” could not be moved to the Trash: no administrator prompt is available on this desktop.");
    const QString link = kHome + "/Library/LaunchAgents/com.example.agent.plist";
    const struct {
        const char* what;
        Status result;
        int code;
        QString text;
        bool danglingLink = false;
    } cases[] = {
        {"no prompt", Error::unavailable(), 2, noPrompt},
        {"no prompt, with the runner's words", Error{kUnavailableErrorDomain, 0, QStringLiteral("pkexec: No agent.")}, 2,
         noPrompt + QStringLiteral(" pkexec: No agent.")},
        {"user canceled", Error{kScriptErrorDomain, 1, QStringLiteral("Error: User Canceled.")}, 3, cancelled},
        {"user cancelled", Error{kScriptErrorDomain, 0, QStringLiteral("user cancelled")}, 3, cancelled},
        {"-128", Error{kScriptErrorDomain, -128, QStringLiteral("whatever")}, 3, cancelled},
        {"other message", Error{kScriptErrorDomain, 1, QStringLiteral("mv: disk on fire")}, 4, QStringLiteral("mv: disk on fire")},
        {"no message", Error{kScriptErrorDomain, 1, {}}, 4, QStringLiteral("Administrator authorization failed.")},
        {"done but still there", Status(), 5, stillThere.arg("Tool.app")},
        {"done but a dangling link still there", Status(), 5, stillThere.arg("com.example.agent.plist"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fp;
        const QString app = fp.tree().makeApp("/Applications/Tool.app", "com.example.tool", "Tool");
        fp.tree().symlink(link, "/gone/com.example.agent.plist");
        fp.admin->result = c.result;
        fp.admin->performMove = false;
        const auto e = privilegedtrash::moveToTrashElevated(fp, c.danglingLink ? link : app);
        EXPECT_EQ(e, (Error{kAppErrorDomain, c.code, c.text}));
        EXPECT_TRUE(fp.tree().exists(app));
    }
}

TEST(PrivilegedTrash, ElevatedMoveMakesTheTrashAsTheUserAndNeverOverwrites)
{
    FakePlatform fp;
    const QString app = fp.tree().makeApp("/Applications/Tool.app", "com.example.tool", "Tool");
    fp.admin->performMove = false;
    fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    ASSERT_FALSE(fp.tree().exists(kTrash));
    EXPECT_FALSE(privilegedtrash::moveToTrashElevated(fp, app));
    // Made before the administrator was asked, and not by the administrator.
    EXPECT_TRUE(fp.fs().isDirectory(kTrash));

    fp.tree().write(kTrash + "/Tool.app", "an older item of the same name");
    fp.admin->performMove = true;
    fp.admin->result = {};
    EXPECT_EQ(privilegedtrash::moveToTrashElevated(fp, app + "/"), Status());
    ASSERT_EQ(fp.admin->calls.size(), 2u);
    EXPECT_EQ(fp.admin->calls[1].source, app);
    EXPECT_EQ(fp.admin->calls[1].destination, kTrash + "/Tool 1.app");
    EXPECT_EQ(fp.tree().read(kTrash + "/Tool.app"), "an older item of the same name");
    EXPECT_TRUE(fp.tree().exists(kTrash + "/Tool 1.app/Contents/Info.plist"));

    // A Trash that is not a folder is never handed to the administrator.
    FakePlatform other;
    other.tree().write(kTrash, "a file");
    other.tree().write(kHome + "/Library/x", "x");
    const auto e = privilegedtrash::moveToTrashElevated(other, kHome + "/Library/x");
    ASSERT_FALSE(e.ok());
    EXPECT_EQ(e.error().code, 4);
    EXPECT_TRUE(other.admin->calls.empty());
}

TEST(PrivilegedTrash, QuitAsksTheBundleAndEveryContainingBundleThenWaits)
{
    FakePlatform fp;
    fp.runningApps.apps = {
        {1, "/Applications/Suite.app"},                                             // contains the target
        {2, "/Applications/Suite.app/Contents/Helpers/Tool.app"},                   // the target itself
        {3, "/Applications/Suite.app/Contents/Helpers/Tool.app/Contents/Sub.app"},  // inside it: not asked
        {4, "/Applications/Suite"},                                                 // a name prefix only
        {5, ""},                                                                    // no bundle
        {6, "/Applications/Other.app"},
        {7, "/Applications/./Suite.app/"},                                          // unstandardized
    };
    privilegedtrash::quitRunningApp(fp, "/Applications/Suite.app/Contents/Helpers/Tool.app");
    EXPECT_EQ(fp.runningApps.terminated, (std::vector<qint64>{1, 2, 7}));
    EXPECT_EQ(fp.clock.sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(400)});

    fp.runningApps.terminated.clear();
    privilegedtrash::quitRunningApp(fp, "/Applications/NotRunning.app");
    EXPECT_TRUE(fp.runningApps.terminated.empty());
    EXPECT_EQ(fp.clock.sleeps.size(), 2u);
}

TEST(HostTrash, RenameIntoTheTrashNumbersFreeNamesAndNeverOverwrites)
{
    FakePlatform fp;
    auto mover = host::makeTrashMover(fp.fs());
    for (const char* folder : {"a", "b", "c"})
        fp.tree().write(kHome + "/Library/" + folder + "/Report.txt", folder);
    EXPECT_EQ(mover->trashItem(kHome + "/Library/a/Report.txt"), Status());
    EXPECT_EQ(mover->trashItem(kHome + "/Library/b/Report.txt"), Status());
    EXPECT_EQ(mover->trashItem(kHome + "/Library/c/../c/Report.txt"), Status());
    EXPECT_EQ(fp.tree().read(kTrash + "/Report.txt"), "a");
    EXPECT_EQ(fp.tree().read(kTrash + "/Report 1.txt"), "b");
    EXPECT_EQ(fp.tree().read(kTrash + "/Report 2.txt"), "c");
    EXPECT_EQ(fp.fs().stat(kTrash)->mode & 0777, 0700u);

    const auto missing = mover->trashItem(kHome + "/Library/a/Report.txt");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, 4);
    EXPECT_EQ(missing.error().domain, kCocoaErrorDomain);
}

TEST(HostTrash, AFullRowOfNumberedNamesStillTakesOneMoreUnderAUniqueName)
{
    const QRegularExpression uuidName("^Notes [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    auto fillTrash = [](FakePlatform& fp) {
        fp.tree().write(kTrash + "/Notes", "old");
        for (int n = 1; n <= 500; ++n)
            fp.tree().write(kTrash + "/Notes " + QString::number(n), "old");
    };
    auto newcomers = [&](FakePlatform& fp) {
        QStringList out;
        for (const QString& name : QDir(fp.tree().host(kTrash)).entryList(QDir::Files))
            if (uuidName.match(name).hasMatch())
                out << name;
        return out;
    };
    // The user's own move.
    {
        FakePlatform fp;
        fillTrash(fp);
        fp.tree().write(kHome + "/Library/Notes", "new");
        EXPECT_EQ(privilegedtrash::moveToTrash(fp, kHome + "/Library/Notes"), kMoved);
        EXPECT_FALSE(fp.tree().exists(kHome + "/Library/Notes"));
        const QStringList added = newcomers(fp);
        ASSERT_EQ(added.size(), 1) << added.join(", ").toStdString();
        EXPECT_EQ(fp.tree().read(kTrash + "/" + added[0]), "new");
        EXPECT_EQ(fp.tree().read(kTrash + "/Notes 500"), "old");
    }
    // The administrator's move.
    {
        FakePlatform fp;
        fillTrash(fp);
        fp.tree().write(kHome + "/Library/Notes", "new");
        EXPECT_EQ(privilegedtrash::moveToTrashElevated(fp, kHome + "/Library/Notes"), Status());
        ASSERT_EQ(fp.admin->calls.size(), 1u);
        EXPECT_TRUE(uuidName.match(QFileInfo(fp.admin->calls[0].destination).fileName()).hasMatch());
        const QStringList added = newcomers(fp);
        ASSERT_EQ(added.size(), 1) << added.join(", ").toStdString();
        EXPECT_EQ(fp.tree().read(kTrash + "/" + added[0]), "new");
    }
}

TEST(HostTrash, ATrashThatIsALinkTakesNothing)
{
    QTemporaryDir outside;
    for (const bool leadsOut : {true, false}) {
        SCOPED_TRACE(leadsOut ? "link out of the root" : "link to the Documents folder");
        FakePlatform fp;
        fp.tree().mkdir(kHome + "/Documents");
        fp.tree().symlink(kTrash, leadsOut ? outside.path() : QStringLiteral("Documents"));
        const QString item = kHome + "/Library/Caches/com.example.tool";
        fp.tree().write(item + "/data", "cache");
        const QString elsewhere = leadsOut ? outside.path() : fp.tree().host(kHome + "/Documents");

        const auto mover = host::makeTrashMover(fp.fs());
        const Status plain = mover->trashItem(item);
        ASSERT_FALSE(plain.ok());
        EXPECT_EQ(plain.error().code, 512);
        // Through the engine the administrator is not asked to move it there either.
        const Result<Trashed> engine = privilegedtrash::moveToTrash(fp, item);
        ASSERT_FALSE(engine.ok());
        EXPECT_TRUE(fp.admin->calls.empty());
        EXPECT_EQ(fp.tree().read(item + "/data"), "cache");
        EXPECT_TRUE(QDir(elsewhere).isEmpty());
        EXPECT_EQ(fp.fs().stat(kTrash)->type, FileType::Symlink);
    }
}

TEST(HostTrash, NamesNearTheLimitStillFindAFreeName)
{
    FakePlatform fp;
    const QString name = QString(251, 'r') + ".log";  // 255 bytes
    fp.tree().write(kTrash + "/" + name, "older");
    fp.tree().write(kTrash + "/" + QString(249, 'r') + " 1.log", "older too");
    fp.tree().write(kHome + "/Library/Logs/" + name, "newer");
    const auto mover = host::makeTrashMover(fp.fs());
    EXPECT_EQ(mover->trashItem(kHome + "/Library/Logs/" + name), Status());
    EXPECT_EQ(fp.tree().read(kTrash + "/" + QString(249, 'r') + " 2.log"), "newer");
    EXPECT_EQ(fp.tree().read(kTrash + "/" + name), "older");
    // The administrator's move takes the same names.
    fp.tree().write(kHome + "/Library/Logs/" + name, "newest");
    EXPECT_EQ(privilegedtrash::uniqueTrashName(fp.fs(), name, kTrash), QString(249, 'r') + " 3.log");
}
