#pragma once

// Application discovery: which bundles of the application folders are
// listed, how folders and families of applications become groups, and the
// order of the list.

#include "engine/inventory/Drafts.h"
#include "platform/Platform.h"

#include <QStringList>

#include <vector>

namespace tw::discovery {

// The folders searched for applications, in listing order.
const QStringList& applicationFolders(const QString& home);

// An entry of an application folder: a bundle, or a plain folder with the
// bundles directly inside it (folders without any are left out).
struct ListedEntry {
    QString path;
    bool isFolder = false;
    QStringList folderApps;
};
// The one pass over the application folders (discovery and the removal watcher).
std::vector<ListedEntry> listApplicationFolders(const FileSystem& fs);

// Every installed application that is not the system's, groups included,
// sorted by name. Builds the bundles in parallel on the engine pool.
std::vector<AppDraft> discoverInstalledApps(const Platform& p);

// Updaters nested inside a bundle's Contents that are listed as applications
// of their own, in walk order: the first 4,000 entries are searched, links
// and hidden folders are not entered. Discovery finds them with the walk
// that sizes the bundle.
QStringList findNotableNestedApps(const FileSystem& fs, const QString& bundle);
// Gathers the applications of a family into one group at the end.
std::vector<AppDraft> applyFamilyGroups(std::vector<AppDraft> list);
// A group record named after name over its members.
AppDraft makeGroup(const QString& name, std::vector<AppDraft> members);

} // namespace tw::discovery
