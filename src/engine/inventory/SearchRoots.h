#pragma once

// The fixed places the leftover finder draws candidates from: the library
// folders it lists, the extra folders of particular applications, the
// per-user temporary folders, nested identifier folders and Spotlight.

#include "engine/inventory/SearchRoot.h"
#include "platform/Platform.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tw::searchroots {

// The default roots of a home folder, in search order.
std::vector<SearchRoot> searchRoots(const QString& home);
// Folders known to belong to particular applications (lib: the user's Library).
std::vector<SearchRoot> knownSupportExtras(const FileSystem& fs, const QString& bundleId, const QString& name,
                                           const QString& lib);
// Entries of the per-user temporary folders named by the identifier.
QStringList varFolderEntries(const FileSystem& fs, const QString& bundleIdLower);
// Folders named by the identifier up to depth levels below folder.
QStringList nestedBundleFolders(const FileSystem& fs, const QString& folder, const QString& bundleIdLower,
                                int depth);
// Spotlight's exact name hits for the identifier, bundles and build folders left out.
QStringList spotlightExactHits(const Platform& p, const QString& bundleId);

// A lower-case name that equals the identifier or starts with it and a dot.
bool namedByIdentifier(const QString& lower, const QString& idLower);
// The labels whose roots get the nested walk.
bool isWalkedLabel(const QString& label);

} // namespace tw::searchroots
