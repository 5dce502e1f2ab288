#include "engine/cleaner/SystemCleaner.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

ProcessResult ran(const QByteArray& out, int exitCode = 0)
{
    ProcessResult r;
    r.started = true;
    r.exitCode = exitCode;
    r.standardOutput = out;
    return r;
}

const RemovableItem* find(const QList<RemovableItem>& items, const QString& title)
{
    for (const RemovableItem& item : items)
        if (item.title == title)
            return &item;
    return nullptr;
}

QStringList titles(const QList<RemovableItem>& items)
{
    QStringList out;
    for (const RemovableItem& item : items)
        out << item.title;
    return out;
}

struct LaunchFolders {
    QString userAgents, agents = QStringLiteral("/Library/LaunchAgents"), daemons = QStringLiteral("/Library/LaunchDaemons");
};

// Jobs of every shape in the three launch folders.
LaunchFolders makeJobs(FakePlatform& fp)
{
    auto& t = fp.tree();
    LaunchFolders f;
    f.userAgents = t.home() + "/Library/LaunchAgents";
    tw::test::BundleSpec vendor;
    vendor.identifier = "com.vendor.pro";
    vendor.name = "VendorPro";
    vendor.displayName = "Vendor Pro";
    t.makeApp("/Applications/Vendor.app", vendor);
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    fp.workspace.applications.insert("com.vendor.sync", "/Applications/Sync.app");

    t.writePlist(f.userAgents + "/com.vendor.agent.plist",
                 {{"Label", "com.vendor.agent"},
                  {"ProgramArguments", QVariantList{"/Applications/Vendor.app/Contents/MacOS/agent", "--quiet"}},
                  {"Program", "/usr/bin/other"},
                  {"Padding", QString(3000, 'p')}});
    t.setModified(f.userAgents + "/com.vendor.agent.plist", QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7), Qt::UTC));
    t.writePlist(f.userAgents + "/updater.plist",
                 {{"Label", "updater"}, {"Program", "/Applications/Tool.app/Contents/MacOS/updater"}, {"Disabled", true}},
                 /*binary*/ true);
    t.write(f.userAgents + "/notes.txt", "not a job");
    t.write(f.userAgents + "/upper.PLIST", "<plist/>");
    t.writePlist(f.agents + "/org.vendor.tool.plist",
                 {{"Label", "org.vendor.tool"}, {"AssociatedBundleIdentifiers", QVariantList{"com.vendor.sync"}}});
    t.writePlist(f.daemons + "/com.apple.hidden.plist", {{"Label", "com.apple.hidden"}});
    t.writePlist(f.daemons + "/com.apple.unlabelled.plist", {{"Program", "/usr/libexec/x"}});
    t.writePlist(f.daemons + "/mislabelled.plist", {{"Label", "com.apple.sneaky"}});
    t.write(f.daemons + "/helperd.plist", "garbage, not a property list");
    t.writePlist(f.daemons + "/com.google.GoogleUpdater.wake.plist",
                 {{"Label", "com.google.GoogleUpdater.wake"},
                  {"Program", "/Library/Application Support/Google/GoogleUpdater/Current/GoogleUpdater.app/Contents/MacOS/launcher"}});
    return f;
}

} // namespace

TEST(StartupItems, LaunchdJobsCarryTitlesOwnersStatesAndSizes)
{
    FakePlatform fp;
    const LaunchFolders f = makeJobs(fp);
    fp.launchd.answer = [](const QStringList& args) {
        EXPECT_EQ(args, QStringList{"list"});
        return ran("PID\tStatus\tLabel\n123\t0\tcom.vendor.agent\n-\t0\tupdater\n-\t78\thelperd\n"
                   "-\t0\tcom.google.GoogleUpdater.wake\n");
    };

    const QList<RemovableItem> items = SystemCleaner::loadStartupItems(fp);
    EXPECT_EQ(titles(items), (QStringList{"com.vendor.agent", "GoogleUpdater", "helperd", "org.vendor.tool", "Tool"}));

    const RemovableItem* agent = find(items, "com.vendor.agent");
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->path, f.userAgents + "/com.vendor.agent.plist");
    EXPECT_EQ(agent->subtitle, "/Applications/Vendor.app/Contents/MacOS/agent");  // first argument beats Program
    EXPECT_EQ(agent->category, "Launch Agent");
    EXPECT_TRUE(agent->isEnabled);
    EXPECT_TRUE(agent->isSelected);
    EXPECT_EQ(agent->parentName, "Vendor Pro");
    EXPECT_EQ(agent->parentAppPath, std::optional<QString>("/Applications/Vendor.app"));
    EXPECT_EQ(agent->size, 4096);  // a little over 3000 bytes, in whole KiB
    EXPECT_EQ(agent->modifiedDate, std::optional<QDateTime>(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7), Qt::UTC)));
    EXPECT_EQ(agent->icon, IconRef::symbol("rocket.fill"));
    EXPECT_TRUE(agent->relatedPaths.isEmpty());

    // Binary plist; "Disabled" wins over being loaded; titled after its application.
    const RemovableItem* tool = find(items, "Tool");
    ASSERT_TRUE(tool);
    EXPECT_FALSE(tool->isEnabled);
    EXPECT_EQ(tool->subtitle, "/Applications/Tool.app/Contents/MacOS/updater");
    EXPECT_EQ(tool->parentName, "Tool");  // the bundle has no Info.plist: its file name
    EXPECT_EQ(tool->parentAppPath, std::optional<QString>("/Applications/Tool.app"));
    EXPECT_EQ(tool->size, 1024);

    // Not loaded while launchd lists others: disabled. Owner found by bundle identifier.
    const RemovableItem* sync = find(items, "org.vendor.tool");
    ASSERT_TRUE(sync);
    EXPECT_FALSE(sync->isEnabled);
    EXPECT_EQ(sync->subtitle, f.agents + "/org.vendor.tool.plist");  // no program: the file itself
    EXPECT_EQ(sync->parentName, "Sync");
    EXPECT_EQ(sync->parentAppPath, std::optional<QString>("/Applications/Sync.app"));

    // An unreadable file is listed under its file name, with no owner.
    const RemovableItem* helper = find(items, "helperd");
    ASSERT_TRUE(helper);
    EXPECT_EQ(helper->category, "System Daemon");
    EXPECT_TRUE(helper->isEnabled);
    EXPECT_EQ(helper->subtitle, f.daemons + "/helperd.plist");
    EXPECT_EQ(helper->parentName, "helperd");
    EXPECT_EQ(helper->parentAppPath, std::nullopt);

    const RemovableItem* google = find(items, "GoogleUpdater");
    ASSERT_TRUE(google);
    const QString launcher =
        "/Library/Application Support/Google/GoogleUpdater/Current/GoogleUpdater.app/Contents/MacOS/launcher";
    EXPECT_EQ(google->icon, IconRef::fileIcon(launcher));
    EXPECT_EQ(google->parentName, "GoogleUpdater");
    EXPECT_EQ(google->parentAppPath,
              std::optional<QString>("/Library/Application Support/Google/GoogleUpdater/Current/GoogleUpdater.app"));
}

TEST(StartupItems, EnabledRuleFollowsTheJobList)
{
    FakePlatform fp;
    makeJobs(fp);

    // launchctl cannot run: every job without "Disabled" shows as enabled.
    QList<RemovableItem> items = SystemCleaner::loadStartupItems(fp);
    ASSERT_EQ(items.size(), 5);
    for (const RemovableItem& item : items)
        EXPECT_EQ(item.isEnabled, item.title != "Tool") << item.title.toStdString();

    // Only a header, or output that is not UTF-8: no labels either.
    for (const QByteArray& out : {QByteArray("PID\tStatus\tLabel\n"), QByteArray("PID Status Label\n1 0 \xff\xfe\n")}) {
        fp.launchd.answer = [out](const QStringList&) { return ran(out); };
        EXPECT_TRUE(SystemCleaner::loadedLaunchdLabels(fp).isEmpty());
        items = SystemCleaner::loadStartupItems(fp);
        ASSERT_TRUE(find(items, "org.vendor.tool"));
        EXPECT_TRUE(find(items, "org.vendor.tool")->isEnabled);
    }

    // Lines with fewer than three fields add nothing; blank lines are dropped; the header is skipped.
    fp.launchd.answer = [](const QStringList&) {
        return ran("PID Status Label\n\n-\t0\torg.vendor.tool\n42 0\nonly\n  7   0   spaced.label  extra\n");
    };
    EXPECT_EQ(SystemCleaner::loadedLaunchdLabels(fp), (QSet<QString>{"org.vendor.tool", "spaced.label"}));
    items = SystemCleaner::loadStartupItems(fp);
    EXPECT_TRUE(find(items, "org.vendor.tool")->isEnabled);
    EXPECT_FALSE(find(items, "com.vendor.agent")->isEnabled);
    EXPECT_FALSE(find(items, "Tool")->isEnabled);
}

TEST(StartupItems, TitlesAndOwnersOfJobs)
{
    EXPECT_EQ(SystemCleaner::startupAgentTitle("com.vendor.agent", "/Applications/X.app/Contents/MacOS/x"), "com.vendor.agent");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("org.vendor.tool", ""), "org.vendor.tool");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("io.x", ""), "io.x");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("updater", "/Applications/Tool.app/Contents/MacOS/updater"), "Tool");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("com.x.GOOGLEUPDATER", ""), "GoogleUpdater");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("wake", "/opt/googleUpdater/bin/run"), "GoogleUpdater");
    EXPECT_EQ(SystemCleaner::startupAgentTitle("commander", ""), "commander");  // "com" without the dot

    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", ""), "label");
    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", "/usr/local/bin/daemon"), "daemon");
    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", "/Tools/Mixed.APP/Contents/MacOS/m"), "Mixed");
    // The program and its seven nearest ancestors are looked at, no more.
    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", "/A.app/1/2/3/4/5/6/7"), "A");
    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", "/A.app/1/2/3/4/5/6/7/8"), "8");
    EXPECT_EQ(SystemCleaner::friendlyStartupName("label", "/"), "label");

    FakePlatform fp;
    auto& t = fp.tree();
    tw::test::BundleSpec named;
    named.name = "Plain Name";
    t.makeApp("/Apps/Deep.app", named);
    fp.workspace.applications.insert("com.known", "/Applications/Known.app");
    t.makeApp("/Applications/Known.app", "com.known", "Known");

    using Parent = SystemCleaner::ParentApp;
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "", QString("com.known")), (Parent{"Known", "/Applications/Known.app"}));
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "", QVariantList{"com.known", "com.other"}),
              (Parent{"Known", "/Applications/Known.app"}));
    // An unknown identifier falls back to the program's path; over at most ten paths.
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "/Apps/Deep.app/1/2/3/4/5/6/7/8/9", QString("com.unknown")),
              (Parent{"Plain Name", "/Apps/Deep.app"}));
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "/Apps/Deep.app/1/2/3/4/5/6/7/8/9/10", QVariant()), std::nullopt);
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "", QVariantList{}), std::nullopt);
    EXPECT_EQ(SystemCleaner::resolveParentApp(fp, "", QVariant(qint64(7))), std::nullopt);
}

TEST(StartupItems, HelperAndSystemEventsLoginItemsAreMergedAndSorted)
{
    FakePlatform fp;
    auto& t = fp.tree();
    tw::test::BundleSpec tool;
    tool.identifier = "com.vendor.tool";
    tool.name = "ToolBundle";
    tool.displayName = "Tool";
    t.makeApp("/Applications/Tool.app", tool);
    tw::test::BundleSpec launcher;
    launcher.name = "Tool Login Helper";
    t.makeApp("/Applications/Tool.app/Contents/Library/LoginItems/ToolLauncher.app", launcher);
    t.setModified("/Applications/Tool.app/Contents/Library/LoginItems/ToolLauncher.app",
                  QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC));
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    t.makeApp("/Applications/Sync.app/Contents/Library/LoginItems/Sync.app", "com.vendor.sync.helper", "Sync");
    t.makeApp("/Applications/Mail Pal.app", "com.pal", "Mail Pal");
    tw::test::BundleSpec bare;
    bare.withoutInfoPlist = true;
    t.makeApp("/Applications/Mail Pal.app/Contents/Library/LoginItems/LaunchAtLoginHelper.app", bare);
    t.write("/Applications/Other.app/Contents/Library/LoginItems/readme.txt", "x");
    t.makeApp("/Applications/NotAnApp/Contents/Library/LoginItems/Hidden.app", "com.hidden", "Hidden");

    fp.loginItems.listResult = {true, true, {},
                                "Sync\t/Applications/Sync.app/Contents/Library/LoginItems/Sync.app\n"
                                "alpha\t/Applications/Alpha.APP\n"
                                "broken line\n\tno-name\nname-only\t\n"
                                "Relative\tApplications/Rel.app\n"
                                "Docs\t/Users/tester/Documents/start.sh\n"};
    const QList<RemovableItem> items = SystemCleaner::loadStartupItems(fp);
    EXPECT_EQ(titles(items), (QStringList{"alpha", "Docs", "Mail Pal", "Sync", "Tool"}));

    const RemovableItem* toolItem = find(items, "Tool");
    ASSERT_TRUE(toolItem);
    const QString helperPath = "/Applications/Tool.app/Contents/Library/LoginItems/ToolLauncher.app";
    EXPECT_EQ(toolItem->path, helperPath);
    EXPECT_EQ(toolItem->subtitle, helperPath);
    EXPECT_EQ(toolItem->category, "Application Login Item");
    EXPECT_EQ(toolItem->size, 0);
    EXPECT_EQ(toolItem->icon, IconRef::fileIcon("/Applications/Tool.app"));
    EXPECT_EQ(toolItem->parentName, "Tool");
    EXPECT_EQ(toolItem->parentAppPath, std::optional<QString>("/Applications/Tool.app"));
    EXPECT_EQ(toolItem->modifiedDate, std::optional<QDateTime>(QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC)));
    EXPECT_TRUE(toolItem->isEnabled);

    // A helper named like its bundle keeps its own name; the login item of the same path is not listed twice.
    const RemovableItem* sync = find(items, "Sync");
    ASSERT_TRUE(sync);
    EXPECT_EQ(sync->path, "/Applications/Sync.app/Contents/Library/LoginItems/Sync.app");
    EXPECT_EQ(sync->icon, IconRef::fileIcon("/Applications/Sync.app"));
    EXPECT_EQ(items.count(*sync), 1);

    // A helper without Info.plist is judged by its file name.
    ASSERT_TRUE(find(items, "Mail Pal"));
    EXPECT_EQ(find(items, "Mail Pal")->parentName, "Mail Pal");

    const RemovableItem* alpha = find(items, "alpha");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->subtitle, "/Applications/Alpha.APP");
    EXPECT_EQ(alpha->parentName, "alpha");
    EXPECT_EQ(alpha->parentAppPath, std::optional<QString>("/Applications/Alpha.APP"));
    EXPECT_EQ(alpha->icon, IconRef::fileIcon("/Applications/Alpha.APP"));
    EXPECT_EQ(alpha->modifiedDate, std::nullopt);
    const RemovableItem* docs = find(items, "Docs");
    ASSERT_TRUE(docs);
    EXPECT_EQ(docs->parentAppPath, std::nullopt);
    EXPECT_EQ(docs->category, "Application Login Item");
}

TEST(StartupItems, SystemEventsUnavailableFailingOrSilentGivesNone)
{
    FakePlatform fp;
    auto& t = fp.tree();
    t.writePlist(t.home() + "/Library/LaunchAgents/org.x.plist", {{"Label", "org.x"}});
    t.makeApp("/Applications/Sync.app", "com.vendor.sync", "Sync");
    t.makeApp("/Applications/Sync.app/Contents/Library/LoginItems/SyncHelper.app", "com.vendor.sync.helper", "SyncHelper");

    const std::vector<ScriptResult> silent{{false, false, {}, "Ghost\t/Applications/Ghost.app\n"},
                                           {true, false, QString("Not authorised to send Apple events"), ""},
                                           {true, false, {}, "Ghost\t/Applications/Ghost.app\n"},
                                           {true, true, {}, ""}};
    for (const ScriptResult& r : silent) {
        fp.loginItems.listResult = r;
        EXPECT_EQ(SystemCleaner::loadLoginItemsViaAppleScript(fp), std::nullopt);
        EXPECT_EQ(titles(SystemCleaner::loadStartupItems(fp)), (QStringList{"org.x", "SyncHelper"}));
    }
    fp.loginItems.listResult = {true, true, {}, "only garbage\n"};
    const auto none = SystemCleaner::loadLoginItemsViaAppleScript(fp);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
}

TEST(StartupItems, ScanPublishesTheList)
{
    FakePlatform fp;
    fp.tree().writePlist(fp.tree().home() + "/Library/LaunchAgents/org.x.plist", {{"Label", "org.x"}});
    SystemCleaner cleaner(fp);
    QSignalSpy changed(&cleaner, &SystemCleaner::startupItemsChanged);
    cleaner.scanStartupItems();
    EXPECT_TRUE(cleaner.isScanningStartup());
    EXPECT_EQ(cleaner.progressMessage(), QString::fromUtf8("Scanning startup items\u2026"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningStartup(); }, 5000));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(titles(cleaner.startupItems()), QStringList{"org.x"});
    EXPECT_EQ(cleaner.progressMessage(), "");
}
