#include "engine/cleaner/SystemCleaner.h"
#include "platform/HostServices.h"
#include "platform/PropertyList.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

ProcessResult exited(int code, const QByteArray& err = {})
{
    ProcessResult r;
    r.started = true;
    r.exitCode = code;
    r.standardError = err;
    return r;
}

const QString kAgent = QStringLiteral("/Users/tester/Library/LaunchAgents/com.vendor.agent.plist");
const QString kDaemon = QStringLiteral("/Library/LaunchDaemons/org.vendor.daemon.plist");
const QString kHelper = QStringLiteral("/Applications/Tool.app/Contents/Library/LoginItems/ToolHelper.app");

// A user agent that is disabled in its file, a daemon, and one helper login item, loaded into a cleaner.
struct Fixture {
    FakePlatform fp;
    SystemCleaner cleaner{fp};

    Fixture()
    {
        auto& t = fp.tree();
        t.writePlist(kAgent,
                     {{"Label", "com.vendor.agent"}, {"ProgramArguments", QVariantList{"/opt/vendor/agent"}}, {"Disabled", true}},
                     /*binary*/ true);
        t.writePlist(kDaemon, {{"Label", "org.vendor.daemon"}, {"Program", "/opt/vendor/daemon"}});
        t.makeApp("/Applications/Tool.app", "com.vendor.tool", "Tool");
        t.makeApp(kHelper, "com.vendor.tool.helper", "ToolHelper");
        cleaner.setStartupItems(SystemCleaner::loadStartupItems(fp));
        fp.launchd.calls.clear();
    }

    const RemovableItem& item(const QString& path) const
    {
        for (const RemovableItem& i : cleaner.startupItems())
            if (i.path == path)
                return i;
        throw std::runtime_error("no such item");
    }
    QVariantMap plistAt(const QString& path) const { return plist::readDictionary(fp.fs(), path).value_or(QVariantMap()); }
};

} // namespace

TEST(StartupControl, EnablingAndDisablingLaunchdJobsRewriteTheFileAndTellLaunchd)
{
    Fixture f;
    f.fp.launchd.uid = 502;
    f.fp.launchd.answer = [](const QStringList&) { return exited(0); };
    ASSERT_FALSE(f.item(kAgent).isEnabled);
    QSignalSpy changed(&f.cleaner, &SystemCleaner::startupItemsChanged);

    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent, true), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootstrap", "gui/502", kAgent}));
    QVariantMap agent = f.plistAt(kAgent);
    EXPECT_FALSE(agent.contains("Disabled"));
    EXPECT_EQ(agent.value("Label").toString(), "com.vendor.agent");
    EXPECT_EQ(agent.value("ProgramArguments").toList(), QVariantList{"/opt/vendor/agent"});

    // Disabling a daemon: the system domain; a failing bootout (job not loaded) is no error.
    f.fp.launchd.calls.clear();
    f.fp.launchd.answer = [](const QStringList&) { return exited(3, "Boot-out failed: 3: No such process\n"); };
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kDaemon, false), std::nullopt);
    EXPECT_FALSE(f.item(kDaemon).isEnabled);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "system", kDaemon}));
    EXPECT_EQ(f.plistAt(kDaemon).value("Disabled"), QVariant(true));
    EXPECT_EQ(f.plistAt(kDaemon).value("Program").toString(), "/opt/vendor/daemon");

    // Disabling the agent again writes the key back.
    f.fp.launchd.calls.clear();
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent, false), std::nullopt);
    EXPECT_EQ(f.plistAt(kAgent).value("Disabled"), QVariant(true));
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "gui/502", kAgent}));
    EXPECT_EQ(changed.count(), 3);

    // No launchctl at all: the file alone carries the change.
    f.fp.launchd.answer = nullptr;
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent, true), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
    EXPECT_FALSE(f.plistAt(kAgent).contains("Disabled"));
}

TEST(StartupControl, FailedBootstrapRetriesWithEnableThenReports)
{
    Fixture f;
    // Empty error output, failing retry: the label in the message.
    f.fp.launchd.answer = [](const QStringList&) { return exited(5); };
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent, true), std::optional<QString>("Could not enable com.vendor.agent."));
    EXPECT_FALSE(f.item(kAgent).isEnabled);
    ASSERT_EQ(f.fp.launchd.calls.size(), 2u);
    EXPECT_EQ(f.fp.launchd.calls[1], (QStringList{"enable", "gui/501/com.vendor.agent"}));

    // The bootstrap's own error text wins, also when the retry cannot start.
    f.fp.launchd.calls.clear();
    f.fp.launchd.answer = [](const QStringList& args) {
        return args[0] == "bootstrap" ? exited(5, "Bootstrap failed: 5: Input/output error\n") : ProcessResult{};
    };
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kDaemon, true),
              std::optional<QString>("Bootstrap failed: 5: Input/output error\n"));
    EXPECT_EQ(f.fp.launchd.calls[1], (QStringList{"enable", "system/org.vendor.daemon"}));

    // Error text that is not UTF-8 counts as empty.
    f.fp.launchd.answer = [](const QStringList&) { return exited(5, QByteArray("\xff\xfe", 2)); };
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kDaemon, true), std::optional<QString>("Could not enable org.vendor.daemon."));

    // A successful retry is success.
    f.fp.launchd.answer = [](const QStringList& args) { return args[0] == "enable" ? exited(0) : exited(5); };
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent, true), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
}

TEST(StartupControl, UnwritableDisabledKeyIsReportedAndChangesNothing)
{
    FakePlatform fp;
    auto& t = fp.tree();
    // The temporary file of the atomic write cannot be made next to a file of this name length.
    const QString longName = "/Library/LaunchAgents/" + QString(240, 'a') + ".plist";
    t.writePlist(longName, {{"Label", "org.long.job"}});
    const QString garbage = "/Library/LaunchAgents/broken.plist";
    t.write(garbage, "not a property list");
    SystemCleaner cleaner(fp);
    cleaner.setStartupItems(SystemCleaner::loadStartupItems(fp));
    ASSERT_EQ(cleaner.startupItems().size(), 2);
    fp.launchd.calls.clear();
    fp.launchd.answer = [](const QStringList&) { return exited(0); };
    QSignalSpy changed(&cleaner, &SystemCleaner::startupItemsChanged);

    EXPECT_EQ(cleaner.setStartupItemEnabled(longName, false), std::optional<QString>("Could not disable org.long.job."));
    EXPECT_EQ(cleaner.setStartupItemEnabled(garbage, false), std::optional<QString>("Could not disable broken."));
    EXPECT_TRUE(fp.launchd.calls.empty());
    EXPECT_EQ(changed.count(), 0);
    for (const RemovableItem& item : cleaner.startupItems())
        EXPECT_TRUE(item.isEnabled);
    EXPECT_FALSE(plist::readDictionary(fp.fs(), longName)->contains("Disabled"));
    EXPECT_EQ(t.read(garbage), "not a property list");

    // Enabling has nothing to remove from either file, so launchd is asked as usual.
    EXPECT_EQ(cleaner.setStartupItemEnabled(longName, true), std::nullopt);
    EXPECT_EQ(cleaner.setStartupItemEnabled(garbage, true), std::nullopt);
    EXPECT_EQ(fp.launchd.calls.size(), 2u);

    // A "Disabled" key that cannot be taken out: enabling is refused.
    const QString stuck = "/Library/LaunchAgents/" + QString(240, 'b') + ".plist";
    t.writePlist(stuck, {{"Label", "org.stuck.job"}, {"Disabled", true}});
    cleaner.setStartupItems(SystemCleaner::loadStartupItems(fp));
    fp.launchd.calls.clear();
    EXPECT_EQ(cleaner.setStartupItemEnabled(stuck, true), std::optional<QString>("Could not enable org.stuck.job."));
    EXPECT_TRUE(fp.launchd.calls.empty());
    EXPECT_EQ(plist::readDictionary(fp.fs(), stuck)->value("Disabled"), QVariant(true));
}

TEST(StartupControl, LoginItemsTravelAsDataAndReportTheirFailures)
{
    Fixture f;
    const RemovableItem helper = f.item(kHelper);
    ASSERT_EQ(helper.category, "Application Login Item");

    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, false), std::nullopt);
    ASSERT_EQ(f.fp.loginItems.removed.size(), 1u);
    EXPECT_EQ(f.fp.loginItems.removed[0], std::make_pair(QString("ToolHelper"), kHelper));
    EXPECT_FALSE(f.item(kHelper).isEnabled);
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, true), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.added, QStringList{kHelper});
    EXPECT_TRUE(f.item(kHelper).isEnabled);
    EXPECT_TRUE(f.fp.launchd.calls.empty());

    // Hostile names and paths reach the service exactly as they are.
    const QString name = "Evil\" then do shell script \"touch /tmp/x\\\" --";
    const QString path = "/Applications/We\"ird\\.app";
    f.fp.loginItems.listResult = {true, true, {}, name + "\t" + path + "\n"};
    f.cleaner.setStartupItems(SystemCleaner::loadStartupItems(f.fp));
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(path, false), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.removed.back(), std::make_pair(name, path));
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(path, true), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.added.back(), path);

    // Failures: the service's message, else a fixed one; the entry stays as it was.
    f.fp.loginItems.removeResult = {true, false, QString("Not authorised to send Apple events to System Events."), {}};
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, false),
              std::optional<QString>("Not authorised to send Apple events to System Events."));
    f.fp.loginItems.removeResult = {true, false, {}, {}};
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, false), std::optional<QString>("Could not remove login item."));
    f.fp.loginItems.addResult = {true, false, {}, {}};
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, true), std::optional<QString>("Could not add login item."));
    f.fp.loginItems.addResult = {false, false, {}, {}};
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kHelper, true), std::optional<QString>("AppleScript unavailable."));
    EXPECT_TRUE(f.item(kHelper).isEnabled);
}

TEST(StartupControl, HostWithoutLoginItemServiceSaysSo)
{
    FakePlatform fp;
    fp.tree().makeApp("/Applications/Tool.app", "com.vendor.tool", "Tool");
    fp.tree().makeApp(kHelper, "com.vendor.tool.helper", "ToolHelper");
    const auto hostLoginItems = host::makeLoginItems();
    const auto hostLaunchd = host::makeLaunchd();
    EXPECT_EQ(hostLaunchd->userId(), unsigned(::getuid()));
    EXPECT_FALSE(hostLaunchd->launchctl({"list"}).started);

    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.launchd = hostLaunchd.get();
    parts.loginItems = hostLoginItems.get();
    parts.workspace = &fp.workspace;
    const Platform platform(parts);
    SystemCleaner cleaner(platform);
    cleaner.setStartupItems(SystemCleaner::loadStartupItems(platform));
    ASSERT_EQ(cleaner.startupItems().size(), 1);
    EXPECT_EQ(cleaner.setStartupItemEnabled(kHelper, false), std::optional<QString>("AppleScript unavailable."));
    EXPECT_EQ(cleaner.setStartupItemEnabled(kHelper, true), std::optional<QString>("AppleScript unavailable."));
    EXPECT_TRUE(cleaner.startupItems()[0].isEnabled);
}

TEST(StartupControl, UnknownAndUnsupportedItems)
{
    Fixture f;
    const QList<RemovableItem> before = f.cleaner.startupItems();
    EXPECT_EQ(f.cleaner.setStartupItemEnabled("/nowhere.plist", false), std::optional<QString>("Item not found."));
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(kAgent + "/", true), std::optional<QString>("Item not found."));

    RemovableItem odd;
    odd.title = "odd";
    odd.path = "/Library/LaunchAgents/odd.PLIST";
    odd.category = "Launch Agent";
    odd.isEnabled = true;
    QList<RemovableItem> items = before;
    items.append(odd);
    f.cleaner.setStartupItems(items);
    EXPECT_EQ(f.cleaner.setStartupItemEnabled(odd.path, false), std::optional<QString>("Unsupported startup item."));
    EXPECT_TRUE(f.fp.launchd.calls.empty());
    EXPECT_TRUE(f.fp.loginItems.removed.empty());
    EXPECT_TRUE(f.cleaner.startupItems().last().isEnabled);
}

TEST(StartupControl, RemovingLaunchdJobsDisablesThemThenMovesThemToTheTrash)
{
    Fixture f;
    f.fp.launchd.answer = [](const QStringList&) { return exited(0); };
    auto& t = f.fp.tree();
    QSignalSpy changed(&f.cleaner, &SystemCleaner::startupItemsChanged);
    const qsizetype count = f.cleaner.startupItems().size();

    EXPECT_EQ(f.cleaner.removeStartupItem(kDaemon), std::nullopt);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "system", kDaemon}));
    EXPECT_FALSE(t.exists(kDaemon));
    const QString trashed = f.fp.fs().trash() + "/org.vendor.daemon.plist";
    ASSERT_TRUE(t.exists(trashed));
    EXPECT_EQ(plist::readDictionary(f.fp.fs(), trashed)->value("Disabled"), QVariant(true));
    EXPECT_EQ(f.cleaner.startupItems().size(), count - 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(f.cleaner.removeStartupItem(kDaemon), std::optional<QString>("Item not found."));

    // The Trash move fails: its description, and the entry stays.
    f.fp.trash->fail = [](const QString&) {
        return std::optional<Error>(Error{kCocoaErrorDomain, 640, "There isn’t enough space on the disk."});
    };
    EXPECT_EQ(f.cleaner.removeStartupItem(kAgent), std::optional<QString>("There isn’t enough space on the disk."));
    EXPECT_TRUE(t.exists(kAgent));
    EXPECT_EQ(f.cleaner.startupItems().size(), count - 1);
    EXPECT_EQ(changed.count(), 1);
}

TEST(StartupControl, RemovalSafetyTestGuardsAllButPropertyLists)
{
    Fixture f;
    auto& t = f.fp.tree();
    t.writeSized("/usr/local/bin/agent", 10);
    t.writePlist("/usr/local/job.plist", {{"Label", "local.job"}});
    QList<RemovableItem> items = f.cleaner.startupItems();
    RemovableItem program;
    program.title = "agent";
    program.path = "/usr/local/bin/agent";
    program.category = "Launch Agent";
    RemovableItem job;
    job.title = "local.job";
    job.path = "/usr/local/job.plist";
    job.category = "Launch Agent";
    items << program << job;
    f.cleaner.setStartupItems(items);

    EXPECT_EQ(f.cleaner.removeStartupItem(program.path), std::optional<QString>("This startup file is protected."));
    EXPECT_TRUE(t.exists(program.path));
    EXPECT_TRUE(f.fp.trash->calls.isEmpty());
    EXPECT_TRUE(f.cleaner.startupItems().contains(program));

    // A property list is moved even where the safety test would refuse it.
    EXPECT_EQ(f.cleaner.removeStartupItem(job.path), std::nullopt);
    EXPECT_EQ(f.fp.trash->calls, QStringList{job.path});
    EXPECT_FALSE(t.exists(job.path));
    EXPECT_FALSE(f.cleaner.startupItems().contains(job));
}

TEST(StartupControl, RemovingLoginItemsDeletesTheLoginItemOnly)
{
    Fixture f;
    auto& t = f.fp.tree();

    // The login item is deleted (once to disable, once to remove); the helper stays on disk.
    EXPECT_EQ(f.cleaner.removeStartupItem(kHelper), std::nullopt);
    ASSERT_EQ(f.fp.loginItems.removed.size(), 2u);
    EXPECT_EQ(f.fp.loginItems.removed[1], std::make_pair(QString("ToolHelper"), kHelper));
    EXPECT_TRUE(t.exists(kHelper));
    EXPECT_TRUE(f.fp.trash->calls.isEmpty());
    EXPECT_EQ(f.cleaner.startupItems().size(), 2);

    // The script fails for an application: its message, and the entry stays.
    f.cleaner.setStartupItems(SystemCleaner::loadStartupItems(f.fp));
    f.fp.loginItems.removeResult = {true, false, QString("System Events got an error."), {}};
    EXPECT_EQ(f.cleaner.removeStartupItem(kHelper), std::optional<QString>("System Events got an error."));
    EXPECT_EQ(f.cleaner.startupItems().size(), 3);

    // A login item that is a property list falls back to the Trash.
    const QString listed = t.home() + "/Library/Listed/item.plist";
    t.writePlist(listed, {{"Label", "listed"}});
    f.fp.loginItems.listResult = {true, true, {}, "Listed\t" + listed + "\n"};
    f.cleaner.setStartupItems(SystemCleaner::loadStartupItems(f.fp));
    f.fp.trash->fail = [](const QString&) {
        return std::optional<Error>(Error{kCocoaErrorDomain, 640, "No room."});
    };
    EXPECT_EQ(f.cleaner.removeStartupItem(listed), std::optional<QString>("System Events got an error. / No room."));
    EXPECT_TRUE(t.exists(listed));
    f.fp.trash->fail = nullptr;
    f.fp.loginItems.removeResult = {true, false, {}, {}};
    EXPECT_EQ(f.cleaner.removeStartupItem(listed), std::nullopt);
    EXPECT_FALSE(t.exists(listed));
    EXPECT_TRUE(t.exists(f.fp.fs().trash() + "/item.plist"));
    EXPECT_EQ(f.cleaner.startupItems().size(), 3);
}
