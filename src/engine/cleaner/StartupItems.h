#pragma once

// Loading the startup items: launchd jobs of the three launch folders, helper
// login items inside applications, and the login items of "System Events".

#include "engine/cleaner/RemovableItem.h"
#include "platform/Platform.h"

#include <QSet>
#include <QVariant>

#include <optional>

namespace tw::startup {

// Every startup item, sorted by title.
QList<RemovableItem> loadStartupItems(const Platform& p);

// The application a launchd job belongs to.
struct ParentApp {
    QString name;
    QString path;
    friend bool operator==(const ParentApp&, const ParentApp&) = default;
};
// The labels launchd lists as loaded; none when it cannot tell.
QSet<QString> loadedLaunchdLabels(const Platform& p);
QString startupAgentTitle(const QString& label, const QString& program);
QString friendlyStartupName(const QString& label, const QString& program);
// associated: the job's "AssociatedBundleIdentifiers" value (text or list of texts).
std::optional<ParentApp> resolveParentApp(const Platform& p, const QString& programPath, const QVariant& associated);
// Helper applications in "Contents/Library/LoginItems"; adds their paths to seen.
QList<RemovableItem> loadApplicationLoginItems(const Platform& p, QSet<QString>& seen);
// nullopt when the login-item service is unavailable, fails or lists nothing.
std::optional<QList<RemovableItem>> loadLoginItemsViaAppleScript(const Platform& p);

} // namespace tw::startup
