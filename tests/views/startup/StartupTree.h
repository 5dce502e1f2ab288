#pragma once

// A Mac tree with startup items of every kind the tab shows, and helpers to
// drive the real engine over it.

#include "engine/cleaner/SystemCleaner.h"
#include "platform/Result.h"
#include "platform/PropertyList.h"
#include "support/FakePlatform.h"
#include "support/ShellHarness.h"

#include <QDateTime>

namespace tw::test::startup {

inline const QString kAgents = QStringLiteral("/Users/tester/Library/LaunchAgents");
// Owned by Sync.app, through its program path.
inline const QString kSyncAgent = kAgents + QStringLiteral("/com.vendor.sync.plist");
inline const QString kSyncApp = QStringLiteral("/Applications/Sync.app");
// No owner, switched off, titled by its program ("backupd").
inline const QString kBackupAgent = kAgents + QStringLiteral("/backup.plist");
// A label with quotes and a line break.
inline const QString kQuotedAgent = kAgents + QStringLiteral("/quoted.plist");
inline const QString kQuotedLabel = QStringLiteral("com.odd.\"quoted\"\nagent");
// Daemons: one the Trash refuses (and the administrator prompt is
// cancelled), one that is not a property list.
inline const QString kGuardDaemon = QStringLiteral("/Library/LaunchDaemons/net.vendor.guard.plist");
inline const QString kBrokenDaemon = QStringLiteral("/Library/LaunchDaemons/broken.plist");
// A helper application inside Rectangle.app.
inline const QString kRectangleApp = QStringLiteral("/Applications/Rectangle.app");
inline const QString kHelper = kRectangleApp + QStringLiteral("/Contents/Library/LoginItems/RectangleLauncher.app");

// Titles in the engine's order.
inline const QStringList kTitles{QStringLiteral("backupd"), QStringLiteral("broken"), kQuotedLabel,
                                 QStringLiteral("com.vendor.sync"), QStringLiteral("net.vendor.guard"),
                                 QStringLiteral("Rectangle")};

inline QVariantMap job(const QString& label, const QString& program)
{
    return {{QStringLiteral("Label"), label},
            {QStringLiteral("ProgramArguments"), QVariantList{program, QStringLiteral("--daemon")}},
            {QStringLiteral("RunAtLoad"), true}};
}

inline void makeStartupTree(FakePlatform& fp)
{
    MacTree& t = fp.tree();
    t.makeApp(kSyncApp, QStringLiteral("com.vendor.sync"), QStringLiteral("Sync"));
    t.makeApp(kRectangleApp, QStringLiteral("com.knollsoft.Rectangle"), QStringLiteral("Rectangle"));
    t.makeApp(kHelper, QStringLiteral("com.knollsoft.RectangleLauncher"), QStringLiteral("Rectangle Login Helper"));
    t.makeTrash();

    t.writePlist(kSyncAgent, job(QStringLiteral("com.vendor.sync"), kSyncApp + QStringLiteral("/Contents/MacOS/agent")));
    t.setModified(kSyncAgent, QDateTime(QDate(2025, 3, 4), QTime(17, 6), Qt::LocalTime));
    QVariantMap backup = job(QStringLiteral("backup"), QStringLiteral("/usr/local/bin/backupd"));
    backup.insert(QStringLiteral("Disabled"), true);
    t.writePlist(kBackupAgent, backup, /*binary*/ true);
    t.writePlist(kQuotedAgent, job(kQuotedLabel, QStringLiteral("/opt/odd/agent")));
    t.writePlist(kGuardDaemon, job(QStringLiteral("net.vendor.guard"), QStringLiteral("/Library/PrivilegedHelperTools/guard")));
    t.write(kBrokenDaemon, "not a property list");
    // Apple's own jobs are never listed.
    t.writePlist(QStringLiteral("/Library/LaunchDaemons/com.apple.hidden.plist"),
                 job(QStringLiteral("com.apple.hidden"), QStringLiteral("/usr/libexec/hidden")));

    // The guard daemon belongs to the superuser: the Trash refuses it and
    // the administrator prompt is cancelled.
    fp.trash->fail = [](const QString& path) -> std::optional<Error> {
        if (path != kGuardDaemon)
            return std::nullopt;
        return Error{kCocoaErrorDomain, 513, QStringLiteral("You don’t have permission to move it.")};
    };
    fp.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
}

// The Disabled key of a job's file, or "absent"/"unreadable".
inline QString disabledKey(const FakePlatform& fp, const QString& file)
{
    const auto job = plist::readDictionary(fp.fs(), file);
    if (!job)
        return QStringLiteral("unreadable");
    const auto it = job->constFind(QStringLiteral("Disabled"));
    return it == job->cend() ? QStringLiteral("absent") : it->toString();
}

// How many startup scans ran (each lists launchd's jobs once).
inline int scanCount(const FakePlatform& fp)
{
    return int(std::count_if(fp.launchd.calls.begin(), fp.launchd.calls.end(),
                             [](const QStringList& args) { return args == QStringList{QStringLiteral("list")}; }));
}

// Runs a startup scan to its end.
inline void scanNow(SystemCleaner& cleaner)
{
    cleaner.scanStartupItems();
    drainScans(nullptr, &cleaner);
}

} // namespace tw::test::startup
