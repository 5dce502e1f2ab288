#pragma once

// The gates a path passes before anything is moved to the Trash: the safety
// test of leftovers, remains, startup files and extensions, and the guard of
// application bundles.

#include "platform/FileSystem.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace tw {
class LeftoverSearchCache;
}

namespace tw::safety {

// False for the protected folders and subtrees of the system and the home
// folder and for every application bundle. The path is judged as written
// and with its parent folders resolved; one that resolves outside the
// mapped root is refused.
bool isSafeToRemove(const FileSystem& fs, const QString& path);
// The same with the cache's resolved folders and rules.
bool isSafeToRemove(LeftoverSearchCache& cache, const QString& path);

// An application bundle in /Applications or ~/Applications (or below them),
// never under /System; by its path alone.
bool isUserAppBundle(const QString& home, const QString& path);
// The uninstall's guard: the path and the path with its parents resolved
// both pass isUserAppBundle, and a real bundle lies there (a folder, not a
// link, with Contents/Info.plist as a file).
bool isUserAppBundleOnDisk(const FileSystem& fs, const QString& path);

// A name shaped like a bundle identifier (com.example.app): three or more
// dotted words and no space. Such a name ending in ".app" names a container
// or a cache as often as a bundle.
bool identifierShapedName(const QString& leaf);

// The protected folders and subtrees for the home folder's spellings: a
// path is refused when it is one of folders or starts with one of prefixes.
struct Rules {
    QSet<QString> folders;
    std::vector<QString> prefixes;
};
Rules makeRules(const QStringList& homes);

} // namespace tw::safety
