#pragma once

// Loading the extension groups: installer files, browser extensions, screen
// savers, settings panes, internet plug-ins and widgets.

#include "engine/cleaner/RemovableItem.h"
#include "platform/Platform.h"

#include <optional>

namespace tw::extensions {

// All six groups, sorted by title.
QList<RemovableItem> loadAllExtensions(const Platform& p);

QList<RemovableItem> loadInstallationFiles(const Platform& p);
QList<RemovableItem> loadBrowserExtensions(const Platform& p);
QList<RemovableItem> loadSafariExtensions(const Platform& p);
QList<RemovableItem> loadScreenSavers(const Platform& p);
QList<RemovableItem> loadPreferencePanes(const Platform& p);
QList<RemovableItem> loadInternetPlugins(const Platform& p);
QList<RemovableItem> loadWidgets(const Platform& p);
// The entries of the folders whose extension (in lower case) is one of extensions.
QList<RemovableItem> loadBundles(const Platform& p, const QStringList& folders, const QStringList& extensions,
                                 const QString& category);

// A Chromium extension's name from its manifest, localized messages resolved.
std::optional<QString> chromiumExtensionName(const Platform& p, const QString& manifest);
// The first icon of a Chromium extension's version folder that decodes.
std::optional<IconRef> chromiumExtensionIcon(const Platform& p, const QString& versionDir);
// The path as a subtitle: the home folder as its name, at most 42 characters.
QString shortenedPath(const Platform& p, const QString& path);

} // namespace tw::extensions
