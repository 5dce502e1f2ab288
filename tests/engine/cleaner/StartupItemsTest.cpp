#include "Items.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/cleaner/StartupItems.h"
#include "platform/HostServices.h"
#include "platform/PropertyList.h"
#include "support/Awaited.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// The message a startup operation leaves for the user: none on success.
std::optional<QString> message(const tw::Status& status)
{
    if (status.ok())
        return std::nullopt;
    return status.error().description;
}

// A switch or a removal, waited for: the engine runs it off the GUI thread.
tw::Status enabledNow(tw::SystemCleaner& cleaner, const QString& path, bool enabled)
{
    tw::test::Awaited<tw::Status> outcome;
    cleaner.setStartupItemEnabled(path, enabled, outcome.then());
    return outcome.wait();
}

tw::Status removedNow(tw::SystemCleaner& cleaner, const QString& path)
{
    tw::test::Awaited<tw::Status> outcome;
    cleaner.removeStartupItem(path, outcome.then());
    return outcome.wait();
}

} // namespace

namespace {

const QString kUserAgents = QStringLiteral("/Users/tester/Library/LaunchAgents");
const QString kAgent = kUserAgents + "/com.vendor.agent.plist";
const QString kDaemon = QStringLiteral("/Library/LaunchDaemons/org.vendor.daemon.plist");
const QString kHelper = QStringLiteral("/Applications/Tool.app/Contents/Library/LoginItems/ToolHelper.app");

// Jobs of every shape in the three launch folders.
void makeJobs(FakePlatform& fp)
{
    auto& t = fp.tree();
    tw::test::BundleRecipe vendor{"com.vendor.pro", "VendorPro", "Vendor Pro"};
    t.makeApp("/Applications/Vendor.app", vendor);
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    fp.workspace.applications.insert("com.vendor.sync", "/Applications/Sync.app");

    t.writePlist(kUserAgents + "/com.vendor.agent.plist",
                 {{"Label", "com.vendor.agent"},
                  {"ProgramArguments", QVariantList{"/Applications/Vendor.app/Contents/MacOS/agent", "--quiet"}},
                  {"Program", "/usr/bin/other"},
                  {"Padding", QString(3000, 'p')}});
    t.setModified(kUserAgents + "/com.vendor.agent.plist", QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7), Qt::UTC));
    t.writePlist(kUserAgents + "/updater.plist",
                 {{"Label", "updater"}, {"Program", "/Applications/Tool.app/Contents/MacOS/updater"}, {"Disabled", true}},
                 /*binary*/ true);
    t.write(kUserAgents + "/notes.txt", "not a job");
    t.write(kUserAgents + "/upper.PLIST", "<plist/>");
    t.writePlist("/Library/LaunchAgents/org.vendor.tool.plist",
                 {{"Label", "org.vendor.tool"}, {"AssociatedBundleIdentifiers", QVariantList{"com.vendor.sync"}}});
    t.writePlist("/Library/LaunchDaemons/com.apple.hidden.plist", {{"Label", "com.apple.hidden"}});
    t.writePlist("/Library/LaunchDaemons/com.apple.unlabelled.plist", {{"Program", "/usr/libexec/x"}});
    t.writePlist("/Library/LaunchDaemons/mislabelled.plist", {{"Label", "com.apple.sneaky"}});
    t.write("/Library/LaunchDaemons/helperd.plist", "garbage, not a property list");
    t.writePlist("/Library/LaunchDaemons/com.google.GoogleUpdater.wake.plist",
                 {{"Label", "com.google.GoogleUpdater.wake"},
                  {"Program", "/Library/Application Support/Google/GoogleUpdater/Current/GoogleUpdater.app/Contents/MacOS/launcher"}});
}

QStringList enabledTitles(const QList<RemovableItem>& items)
{
    QStringList out;
    for (const RemovableItem& i : items)
        if (i.isEnabled)
            out << i.title;
    return out;
}

} // namespace

TEST(StartupItems, LaunchdJobsCarryTitlesOwnersStatesAndSizes)
{
    FakePlatform fp;
    makeJobs(fp);
    fp.launchd.answer = [](const QStringList& args) {
        EXPECT_EQ(args, QStringList{"list"});
        return ran(0, "PID\tStatus\tLabel\n123\t0\tcom.vendor.agent\n-\t0\tupdater\n-\t78\thelperd\n"
                      "-\t0\tcom.google.GoogleUpdater.wake\n");
    };
    const QString updater = "/Library/Application Support/Google/GoogleUpdater/Current/GoogleUpdater.app";
    const QList<RemovableItem> items = startup::loadStartupItems(fp);
    // The first argument beats Program; "Disabled" beats being loaded; a job not loaded while
    // launchd lists others is off; owners by program path or by bundle identifier; an
    // unreadable file under its file name, with no owner; Apple's own jobs are left out.
    EXPECT_EQ(rows(items),
              (QStringList{
                  "com.vendor.agent | Launch Agent | /Applications/Vendor.app/Contents/MacOS/agent | on | Vendor Pro | /Applications/Vendor.app",
                  "GoogleUpdater | System Daemon | " + updater + "/Contents/MacOS/launcher | on | GoogleUpdater | " + updater,
                  "helperd | System Daemon | /Library/LaunchDaemons/helperd.plist | on | helperd | -",
                  "org.vendor.tool | Launch Agent | /Library/LaunchAgents/org.vendor.tool.plist | off | Sync | /Applications/Sync.app",
                  "Tool | Launch Agent | /Applications/Tool.app/Contents/MacOS/updater | off | Tool | /Applications/Tool.app"}));

    const RemovableItem& agent = items[0];
    EXPECT_EQ(agent.path, kAgent);
    EXPECT_TRUE(agent.isSelected);
    EXPECT_EQ(agent.size, 4096);  // a little over 3000 bytes, in whole KiB
    EXPECT_EQ(agent.modifiedDate, std::optional<QDateTime>(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7), Qt::UTC)));
    EXPECT_EQ(agent.icon, IconRef::symbol("rocket.fill"));
    EXPECT_TRUE(agent.relatedPaths.isEmpty());
    EXPECT_EQ(entry(items, "Tool").size, 1024);
    EXPECT_EQ(entry(items, "GoogleUpdater").icon, IconRef::fileIcon(updater + "/Contents/MacOS/launcher"));
}

TEST(StartupItems, EnabledRuleFollowsTheJobList)
{
    FakePlatform fp;
    makeJobs(fp);
    const QStringList allButDisabled{"com.vendor.agent", "GoogleUpdater", "helperd", "org.vendor.tool"};
    // launchctl cannot run, lists only a header, or answers what is not UTF-8: no labels,
    // and every job without "Disabled" shows as enabled.
    EXPECT_EQ(enabledTitles(startup::loadStartupItems(fp)), allButDisabled);
    for (const QByteArray& out : {QByteArray("PID\tStatus\tLabel\n"), QByteArray("PID Status Label\n1 0 \xff\xfe\n")}) {
        fp.launchd.answer = [out](const QStringList&) { return ran(0, out); };
        EXPECT_TRUE(startup::loadedLaunchdLabels(fp).isEmpty());
        EXPECT_EQ(enabledTitles(startup::loadStartupItems(fp)), allButDisabled);
    }
    // Lines with fewer than three fields add nothing; blank lines are dropped; the header is skipped.
    fp.launchd.answer = [](const QStringList&) {
        return ran(0, "PID Status Label\n\n-\t0\torg.vendor.tool\n42 0\nonly\n  7   0   spaced.label  extra\n");
    };
    EXPECT_EQ(startup::loadedLaunchdLabels(fp), (QSet<QString>{"org.vendor.tool", "spaced.label"}));
    EXPECT_EQ(enabledTitles(startup::loadStartupItems(fp)), QStringList{"org.vendor.tool"});
}

TEST(StartupItems, TitlesAndOwnersOfJobs)
{
    const std::pair<QStringList, QString> titleCases[] = {
        {{"com.vendor.agent", "/Applications/X.app/Contents/MacOS/x"}, "com.vendor.agent"},
        {{"org.vendor.tool", ""}, "org.vendor.tool"},
        {{"io.x", ""}, "io.x"},
        {{"updater", "/Applications/Tool.app/Contents/MacOS/updater"}, "Tool"},
        {{"com.x.GOOGLEUPDATER", ""}, "GoogleUpdater"},
        {{"wake", "/opt/googleUpdater/bin/run"}, "GoogleUpdater"},
        {{"commander", ""}, "commander"},  // "com" without the dot
    };
    for (const auto& [args, title] : titleCases)
        EXPECT_EQ(startup::startupAgentTitle(args[0], args[1]), title) << args.join(" ").toStdString();
    // The program and its seven nearest ancestors are looked at, no more.
    const std::pair<QString, QString> nameCases[] = {
        {"", "label"}, {"/usr/local/bin/daemon", "daemon"}, {"/Tools/Mixed.APP/Contents/MacOS/m", "Mixed"},
        {"/A.app/1/2/3/4/5/6/7", "A"}, {"/A.app/1/2/3/4/5/6/7/8", "8"}, {"/", "label"},
    };
    for (const auto& [program, name] : nameCases)
        EXPECT_EQ(startup::friendlyStartupName("label", program), name) << program.toStdString();

    FakePlatform fp;
    tw::test::BundleRecipe named;
    named.name = "Plain Name";
    fp.tree().makeApp("/Apps/Deep.app", named);
    fp.workspace.applications.insert("com.known", "/Applications/Known.app");
    fp.tree().makeApp("/Applications/Known.app", "com.known", "Known");
    using Parent = startup::ParentApp;
    const Parent known{"Known", "/Applications/Known.app"};
    EXPECT_EQ(startup::resolveParentApp(fp, "", QString("com.known")), known);
    EXPECT_EQ(startup::resolveParentApp(fp, "", QVariantList{"com.known", "com.other"}), known);
    // An unknown identifier falls back to the program's path; over at most ten paths.
    EXPECT_EQ(startup::resolveParentApp(fp, "/Apps/Deep.app/1/2/3/4/5/6/7/8/9", QString("com.unknown")),
              (Parent{"Plain Name", "/Apps/Deep.app"}));
    EXPECT_EQ(startup::resolveParentApp(fp, "/Apps/Deep.app/1/2/3/4/5/6/7/8/9/10", QVariant()), std::nullopt);
    EXPECT_EQ(startup::resolveParentApp(fp, "", QVariantList{}), std::nullopt);
    EXPECT_EQ(startup::resolveParentApp(fp, "", QVariant(qint64(7))), std::nullopt);
}

TEST(StartupItems, HelperAndSystemEventsLoginItemsAreMergedAndSorted)
{
    FakePlatform fp;
    auto& t = fp.tree();
    t.makeApp("/Applications/Tool.app", tw::test::BundleRecipe{"com.vendor.tool", "ToolBundle", "Tool"});
    const QString launcher = "/Applications/Tool.app/Contents/Library/LoginItems/ToolLauncher.app";
    t.makeApp(launcher, tw::test::BundleRecipe{"", "Tool Login Helper"});
    t.setModified(launcher, QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC));
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    t.makeApp("/Applications/Sync.app/Contents/Library/LoginItems/Sync.app", "com.vendor.sync.helper", "Sync");
    t.makeApp("/Applications/Mail Pal.app", "com.pal", "Mail Pal");
    tw::test::BundleRecipe bare;
    bare.withoutInfoPlist = true;
    t.makeApp("/Applications/Mail Pal.app/Contents/Library/LoginItems/LaunchAtLoginHelper.app", bare);
    t.write("/Applications/Other.app/Contents/Library/LoginItems/readme.txt", "x");
    t.makeApp("/Applications/NotAnApp/Contents/Library/LoginItems/Hidden.app", "com.hidden", "Hidden");

    fp.loginItems.listResult = QString("Sync\t/Applications/Sync.app/Contents/Library/LoginItems/Sync.app\n"
                                "alpha\t/Applications/Alpha.APP\n"
                                "broken line\n\tno-name\nname-only\t\n"
                                "Relative\tApplications/Rel.app\n"
                                "Docs\t/Users/tester/Documents/start.sh\n");
    const QList<RemovableItem> items = startup::loadStartupItems(fp);
    // Helpers are titled by their application (by file name without Info.plist); a helper
    // named like its bundle keeps its own name; the login item of a helper's path is not
    // listed twice.
    const QString kind = " | Application Login Item | ";
    EXPECT_EQ(rows(items),
              (QStringList{"alpha" + kind + "/Applications/Alpha.APP | on | alpha | /Applications/Alpha.APP",
                           "Docs" + kind + "/Users/tester/Documents/start.sh | on | Docs | -",
                           "Mail Pal" + kind + "/Applications/Mail Pal.app/Contents/Library/LoginItems/LaunchAtLoginHelper.app | on | Mail Pal | /Applications/Mail Pal.app",
                           "Sync" + kind + "/Applications/Sync.app/Contents/Library/LoginItems/Sync.app | on | Sync | /Applications/Sync.app",
                           "Tool" + kind + launcher + " | on | Tool | /Applications/Tool.app"}));
    const RemovableItem& tool = entry(items, "Tool");
    EXPECT_EQ(tool.path, launcher);
    EXPECT_EQ(tool.size, 0);
    EXPECT_EQ(tool.icon, IconRef::fileIcon("/Applications/Tool.app"));
    EXPECT_EQ(tool.modifiedDate, std::optional<QDateTime>(QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC)));
    EXPECT_EQ(entry(items, "Sync").icon, IconRef::fileIcon("/Applications/Sync.app"));
    EXPECT_EQ(entry(items, "alpha").icon, IconRef::fileIcon("/Applications/Alpha.APP"));
    EXPECT_EQ(entry(items, "alpha").modifiedDate, std::nullopt);
}

TEST(StartupItems, SystemEventsUnavailableFailingOrSilentGivesNone)
{
    FakePlatform fp;
    auto& t = fp.tree();
    t.writePlist(kUserAgents + "/org.x.plist", {{"Label", "org.x"}});
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    t.makeApp("/Applications/Sync.app/Contents/Library/LoginItems/SyncHelper.app", "com.vendor.sync.helper", "SyncHelper");
    const Result<QString> silent[] = {Error::unavailable(), scriptFailure("Not authorised to send Apple events"),
                                      scriptFailure(), QString()};
    for (const Result<QString>& r : silent) {
        fp.loginItems.listResult = r;
        EXPECT_EQ(startup::loadLoginItemsViaAppleScript(fp), std::nullopt);
        EXPECT_EQ(titles(startup::loadStartupItems(fp)), (QStringList{"org.x", "SyncHelper"}));
    }
    fp.loginItems.listResult = QString("only garbage\n");
    EXPECT_EQ(startup::loadLoginItemsViaAppleScript(fp), std::optional<QList<RemovableItem>>(QList<RemovableItem>{}));
}

namespace {

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
        cleaner.setStartupItems(startup::loadStartupItems(fp));
        fp.launchd.calls.clear();
    }

    const RemovableItem& item(const QString& path) const { return entryWith(cleaner.startupItems(), &RemovableItem::path, path); }
    QVariantMap plistAt(const QString& path) const { return plist::readDictionary(fp.fs(), path).value_or(QVariantMap()); }
};

} // namespace

TEST(StartupControl, EnablingAndDisablingLaunchdJobsRewriteTheFileAndTellLaunchd)
{
    Fixture f;
    f.fp.launchd.uid = 502;
    f.fp.launchd.answer = [](const QStringList&) { return ran(0); };
    ASSERT_FALSE(f.item(kAgent).isEnabled);
    QSignalSpy changed(&f.cleaner, &SystemCleaner::startupItemsChanged);

    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent, true)), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootstrap", "gui/502", kAgent}));
    QVariantMap agent = f.plistAt(kAgent);
    EXPECT_FALSE(agent.contains("Disabled"));
    EXPECT_EQ(agent.value("Label").toString(), "com.vendor.agent");
    EXPECT_EQ(agent.value("ProgramArguments").toList(), QVariantList{"/opt/vendor/agent"});

    // Disabling a daemon: the system domain; a failing bootout (job not loaded) is no error.
    // Its file says "Disabled" false: the key is present but must still become true.
    f.fp.tree().writePlist(kDaemon, {{"Label", "org.vendor.daemon"}, {"Program", "/opt/vendor/daemon"}, {"Disabled", false}});
    f.fp.launchd.calls.clear();
    f.fp.launchd.answer = [](const QStringList&) { return ran(3, {}, "Boot-out failed: 3: No such process\n"); };
    EXPECT_EQ(message(enabledNow(f.cleaner, kDaemon, false)), std::nullopt);
    EXPECT_FALSE(f.item(kDaemon).isEnabled);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "system", kDaemon}));
    EXPECT_EQ(f.plistAt(kDaemon).value("Disabled"), QVariant(true));
    EXPECT_EQ(f.plistAt(kDaemon).value("Program").toString(), "/opt/vendor/daemon");

    // Disabling the agent again writes the key back.
    f.fp.launchd.calls.clear();
    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent, false)), std::nullopt);
    EXPECT_EQ(f.plistAt(kAgent).value("Disabled"), QVariant(true));
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "gui/502", kAgent}));
    EXPECT_EQ(changed.count(), 3);

    // No launchctl at all: the file alone carries the change.
    f.fp.launchd.answer = nullptr;
    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent, true)), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
    EXPECT_FALSE(f.plistAt(kAgent).contains("Disabled"));
}

TEST(StartupControl, FailedBootstrapRetriesWithEnableThenReports)
{
    Fixture f;
    // Empty error output, failing retry: the label in the message.
    f.fp.launchd.answer = [](const QStringList&) { return ran(5); };
    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent, true)), std::optional<QString>("Could not enable com.vendor.agent."));
    EXPECT_FALSE(f.item(kAgent).isEnabled);
    ASSERT_EQ(f.fp.launchd.calls.size(), 2u);
    EXPECT_EQ(f.fp.launchd.calls[1], (QStringList{"enable", "gui/501/com.vendor.agent"}));

    // The bootstrap's own error text wins, also when the retry cannot start.
    f.fp.launchd.calls.clear();
    f.fp.launchd.answer = [](const QStringList& args) {
        return args[0] == "bootstrap" ? ran(5, {}, "Bootstrap failed: 5: Input/output error\n") : Result<ProcessOutput>(Error::unavailable());
    };
    EXPECT_EQ(message(enabledNow(f.cleaner, kDaemon, true)),
              std::optional<QString>("Bootstrap failed: 5: Input/output error\n"));
    EXPECT_EQ(f.fp.launchd.calls[1], (QStringList{"enable", "system/org.vendor.daemon"}));

    // Error text that is not UTF-8 counts as empty.
    f.fp.launchd.answer = [](const QStringList&) { return ran(5, {}, QByteArray("\xff\xfe", 2)); };
    EXPECT_EQ(message(enabledNow(f.cleaner, kDaemon, true)), std::optional<QString>("Could not enable org.vendor.daemon."));

    // A successful retry is success.
    f.fp.launchd.answer = [](const QStringList& args) { return args[0] == "enable" ? ran(0) : ran(5); };
    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent, true)), std::nullopt);
    EXPECT_TRUE(f.item(kAgent).isEnabled);
}

TEST(StartupControl, UnwritableDisabledKeyIsReportedAndChangesNothing)
{
    FakePlatform fp;
    auto& t = fp.tree();
    // A job file that is a link is never rewritten: the rewrite would replace
    // the link with a file, or write through it.
    const QString linked = "/Library/LaunchAgents/org.linked.job.plist";
    const QString target = "/Library/Elsewhere/org.linked.job.plist";
    t.writePlist(target, {{"Label", "org.linked.job"}});
    t.symlink(linked, "../Elsewhere/org.linked.job.plist");
    const QByteArray targetBytes = t.read(target);
    const QString garbage = "/Library/LaunchAgents/broken.plist";
    t.write(garbage, "not a property list");
    SystemCleaner cleaner(fp);
    cleaner.setStartupItems(startup::loadStartupItems(fp));
    ASSERT_EQ(cleaner.startupItems().size(), 2);
    fp.launchd.calls.clear();
    fp.launchd.answer = [](const QStringList&) { return ran(0); };
    QSignalSpy changed(&cleaner, &SystemCleaner::startupItemsChanged);

    EXPECT_EQ(message(enabledNow(cleaner, linked, false)), std::optional<QString>("Could not disable org.linked.job."));
    EXPECT_EQ(message(enabledNow(cleaner, garbage, false)), std::optional<QString>("Could not disable broken."));
    EXPECT_TRUE(fp.launchd.calls.empty());
    EXPECT_EQ(changed.count(), 0);
    for (const RemovableItem& item : cleaner.startupItems())
        EXPECT_TRUE(item.isEnabled);
    EXPECT_EQ(fp.fs().stat(linked)->type, FileType::Symlink);
    EXPECT_EQ(t.read(target), targetBytes);
    EXPECT_EQ(t.read(garbage), "not a property list");

    // Enabling has nothing to remove from the unreadable file, so launchd is asked as usual.
    EXPECT_EQ(message(enabledNow(cleaner, garbage, true)), std::nullopt);
    EXPECT_EQ(fp.launchd.calls.size(), 1u);

    // A "Disabled" key that cannot be taken out: enabling is refused.
    const QString stuck = "/Library/LaunchAgents/org.stuck.job.plist";
    t.writePlist("/Library/Elsewhere/org.stuck.job.plist", {{"Label", "org.stuck.job"}, {"Disabled", true}});
    t.symlink(stuck, "../Elsewhere/org.stuck.job.plist");
    cleaner.setStartupItems(startup::loadStartupItems(fp));
    fp.launchd.calls.clear();
    EXPECT_EQ(message(enabledNow(cleaner, stuck, true)), std::optional<QString>("Could not enable org.stuck.job."));
    EXPECT_TRUE(fp.launchd.calls.empty());
    EXPECT_EQ(plist::readDictionary(fp.fs(), stuck)->value("Disabled"), QVariant(true));
}

TEST(StartupControl, LoginItemsTravelAsDataAndReportTheirFailures)
{
    Fixture f;
    const RemovableItem helper = f.item(kHelper);
    ASSERT_EQ(helper.category, "Application Login Item");

    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, false)), std::nullopt);
    ASSERT_EQ(f.fp.loginItems.removed.size(), 1u);
    EXPECT_EQ(f.fp.loginItems.removed[0], std::make_pair(QString("ToolHelper"), kHelper));
    EXPECT_FALSE(f.item(kHelper).isEnabled);
    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, true)), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.added, QStringList{kHelper});
    EXPECT_TRUE(f.item(kHelper).isEnabled);
    EXPECT_TRUE(f.fp.launchd.calls.empty());

    // Hostile names and paths reach the service exactly as they are.
    const QString name = "Evil\" then do shell script \"touch /tmp/x\\\" --";
    const QString path = "/Applications/We\"ird\\.app";
    f.fp.loginItems.listResult = QString(name + "\t" + path + "\n");
    f.cleaner.setStartupItems(startup::loadStartupItems(f.fp));
    EXPECT_EQ(message(enabledNow(f.cleaner, path, false)), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.removed.back(), std::make_pair(name, path));
    EXPECT_EQ(message(enabledNow(f.cleaner, path, true)), std::nullopt);
    EXPECT_EQ(f.fp.loginItems.added.back(), path);

    // Failures: the service's message, else a fixed one; the entry stays as it was.
    f.fp.loginItems.removeResult = scriptFailure("Not authorised to send Apple events to System Events.");
    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, false)),
              std::optional<QString>("Not authorised to send Apple events to System Events."));
    f.fp.loginItems.removeResult = scriptFailure();
    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, false)), std::optional<QString>("Could not remove login item."));
    f.fp.loginItems.addResult = scriptFailure();
    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, true)), std::optional<QString>("Could not add login item."));
    f.fp.loginItems.addResult = Error::unavailable();
    EXPECT_EQ(message(enabledNow(f.cleaner, kHelper, true)), std::optional<QString>("AppleScript unavailable."));
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
    EXPECT_TRUE(hostLaunchd->launchctl({"list"}).error().isUnavailable());

    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.launchd = hostLaunchd.get();
    parts.loginItems = hostLoginItems.get();
    parts.workspace = &fp.workspace;
    const Platform platform(parts);
    SystemCleaner cleaner(platform);
    cleaner.setStartupItems(startup::loadStartupItems(platform));
    ASSERT_EQ(cleaner.startupItems().size(), 1);
    EXPECT_EQ(message(enabledNow(cleaner, kHelper, false)), std::optional<QString>("AppleScript unavailable."));
    EXPECT_EQ(message(enabledNow(cleaner, kHelper, true)), std::optional<QString>("AppleScript unavailable."));
    EXPECT_TRUE(cleaner.startupItems()[0].isEnabled);
}

TEST(StartupControl, UnknownUnsupportedAndProtectedItemsAreRefused)
{
    Fixture f;
    auto& t = f.fp.tree();
    EXPECT_EQ(message(enabledNow(f.cleaner, "/nowhere.plist", false)), std::optional<QString>("Item not found."));
    EXPECT_EQ(message(enabledNow(f.cleaner, kAgent + "/", true)), std::optional<QString>("Item not found."));

    t.writeSized("/usr/local/bin/agent", 10);
    t.writePlist("/usr/local/job.plist", {{"Label", "local.job"}});
    const RemovableItem odd = entryAt("/Library/LaunchAgents/odd.PLIST"), program = entryAt("/usr/local/bin/agent"),
                        job = entryAt("/usr/local/job.plist");
    f.cleaner.setStartupItems(f.cleaner.startupItems() + QList<RemovableItem>{odd, program, job});
    EXPECT_EQ(message(enabledNow(f.cleaner, odd.path, false)), std::optional<QString>("Unsupported startup item."));
    EXPECT_TRUE(f.fp.launchd.calls.empty());
    EXPECT_TRUE(f.fp.loginItems.removed.empty());
    EXPECT_TRUE(f.item(odd.path).isEnabled);

    // Removal runs the safety test on all but property lists.
    EXPECT_EQ(message(removedNow(f.cleaner, program.path)), std::optional<QString>("This startup file is protected."));
    EXPECT_TRUE(t.exists(program.path));
    EXPECT_TRUE(f.fp.trash->calls.isEmpty());
    EXPECT_TRUE(f.cleaner.startupItems().contains(program));
    // A property list is moved even where the safety test would refuse it.
    EXPECT_EQ(message(removedNow(f.cleaner, job.path)), std::nullopt);
    EXPECT_EQ(f.fp.trash->calls, QStringList{job.path});
    EXPECT_FALSE(t.exists(job.path));
    EXPECT_FALSE(f.cleaner.startupItems().contains(job));
}

TEST(StartupControl, RemovingLaunchdJobsDisablesThemThenMovesThemToTheTrash)
{
    Fixture f;
    f.fp.launchd.answer = [](const QStringList&) { return ran(0); };
    auto& t = f.fp.tree();
    QSignalSpy changed(&f.cleaner, &SystemCleaner::startupItemsChanged);
    const qsizetype count = f.cleaner.startupItems().size();

    EXPECT_EQ(message(removedNow(f.cleaner, kDaemon)), std::nullopt);
    ASSERT_EQ(f.fp.launchd.calls.size(), 1u);
    EXPECT_EQ(f.fp.launchd.calls[0], (QStringList{"bootout", "system", kDaemon}));
    EXPECT_FALSE(t.exists(kDaemon));
    const QString trashed = f.fp.fs().trash() + "/org.vendor.daemon.plist";
    ASSERT_TRUE(t.exists(trashed));
    EXPECT_EQ(plist::readDictionary(f.fp.fs(), trashed)->value("Disabled"), QVariant(true));
    EXPECT_EQ(f.cleaner.startupItems().size(), count - 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(message(removedNow(f.cleaner, kDaemon)), std::optional<QString>("Item not found."));

    // The Trash move fails: its description, and the entry stays.
    f.fp.trash->fail = [](const QString&) {
        return std::optional<Error>(Error{kCocoaErrorDomain, 640, "There isn’t enough space on the disk."});
    };
    EXPECT_EQ(message(removedNow(f.cleaner, kAgent)), std::optional<QString>("There isn’t enough space on the disk."));
    EXPECT_TRUE(t.exists(kAgent));
    EXPECT_EQ(f.cleaner.startupItems().size(), count - 1);
    EXPECT_EQ(changed.count(), 1);
}

TEST(StartupControl, RemovingLoginItemsDeletesTheLoginItemOnly)
{
    Fixture f;
    auto& t = f.fp.tree();

    // The login item is deleted (once to disable, once to remove); the helper stays on disk.
    EXPECT_EQ(message(removedNow(f.cleaner, kHelper)), std::nullopt);
    ASSERT_EQ(f.fp.loginItems.removed.size(), 2u);
    EXPECT_EQ(f.fp.loginItems.removed[1], std::make_pair(QString("ToolHelper"), kHelper));
    EXPECT_TRUE(t.exists(kHelper));
    EXPECT_TRUE(f.fp.trash->calls.isEmpty());
    EXPECT_EQ(f.cleaner.startupItems().size(), 2);

    // The script fails for an application: its message, and the entry stays.
    f.cleaner.setStartupItems(startup::loadStartupItems(f.fp));
    f.fp.loginItems.removeResult = scriptFailure("System Events got an error.");
    EXPECT_EQ(message(removedNow(f.cleaner, kHelper)), std::optional<QString>("System Events got an error."));
    EXPECT_EQ(f.cleaner.startupItems().size(), 3);

    // A login item that is a property list falls back to the Trash.
    const QString listed = t.home() + "/Library/Listed/item.plist";
    t.writePlist(listed, {{"Label", "listed"}});
    f.fp.loginItems.listResult = QString("Listed\t" + listed + "\n");
    f.cleaner.setStartupItems(startup::loadStartupItems(f.fp));
    f.fp.trash->fail = [](const QString&) {
        return std::optional<Error>(Error{kCocoaErrorDomain, 640, "No room."});
    };
    EXPECT_EQ(message(removedNow(f.cleaner, listed)), std::optional<QString>("System Events got an error. / No room."));
    EXPECT_TRUE(t.exists(listed));
    f.fp.trash->fail = nullptr;
    f.fp.loginItems.removeResult = scriptFailure();
    EXPECT_EQ(message(removedNow(f.cleaner, listed)), std::nullopt);
    EXPECT_FALSE(t.exists(listed));
    EXPECT_TRUE(t.exists(f.fp.fs().trash() + "/item.plist"));
    EXPECT_EQ(f.cleaner.startupItems().size(), 3);
}

TEST(StartupControl, ALaunchFolderThatIsALinkIsNeitherRewrittenNorEmptied)
{
    // The user's LaunchAgents folder leads out of the root, or elsewhere in it.
    QTemporaryDir outside;
    for (const bool leadsOut : {true, false}) {
        SCOPED_TRACE(leadsOut ? "out of the root" : "into Documents");
        FakePlatform fp;
        auto& t = fp.tree();
        const QString documents = QStringLiteral("/Users/tester/Documents/agents");
        t.mkdir(documents);
        const QString folder = leadsOut ? outside.path() : t.host(documents);
        const QString job = folder + "/org.outside.job.plist";
        t.writePlist(documents + "/org.outside.job.plist", {{"Label", "org.outside.job"}});
        if (leadsOut) {
            ASSERT_TRUE(QFile::rename(t.host(documents + "/org.outside.job.plist"), job));
        }
        t.symlink(kUserAgents, leadsOut ? outside.path() : QStringLiteral("../Documents/agents"));
        QFile original(job);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();

        SystemCleaner cleaner(fp);
        cleaner.setStartupItems(startup::loadStartupItems(fp));
        const QString listed = kUserAgents + "/org.outside.job.plist";
        ASSERT_EQ(titles(cleaner.startupItems()), QStringList{"org.outside.job"});
        fp.launchd.calls.clear();
        fp.launchd.answer = [](const QStringList&) { return ran(0); };
        EXPECT_EQ(message(enabledNow(cleaner, listed, false)), std::optional<QString>("Could not disable org.outside.job."));
        EXPECT_EQ(message(removedNow(cleaner, listed)), std::optional<QString>("This startup file is protected."));
        EXPECT_TRUE(fp.launchd.calls.empty());
        EXPECT_TRUE(fp.trash->calls.isEmpty());
        ASSERT_TRUE(QFile::exists(job));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        EXPECT_EQ(original.readAll(), bytes);
        EXPECT_EQ(cleaner.startupItems().size(), 1);
    }
}
