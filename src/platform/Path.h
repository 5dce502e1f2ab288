#pragma once

#include <QString>
#include <QStringView>

#include <utility>

// Helpers for the Mac-style logical paths the engines speak in. All of them
// are lexical: none touches the disk.
namespace tw::path {

// Collapses repeated slashes, resolves "." and ".." and drops a trailing
// slash ("/" stays "/"). ".." above the root stays at the root.
QString standardized(QStringView p);
// The same; a path already in standard form is returned without a copy.
QString standardized(const QString& p);

// The last component ("" for "/" and "").
QString lastComponent(QStringView p);

// The text after the last "." of the last component, when that dot is neither
// its first nor its last character; otherwise "".
QString extension(QStringView p);

// True when the extension (by the rule above) is "app" in any case.
bool isAppBundle(QStringView p);

// The last component without its extension (by the rule above).
QString baseName(QStringView p);

// The path without the extension of its last component.
QString deletingExtension(QStringView p);

// The longest file name the file systems take, in bytes of UTF-8 (NAME_MAX).
inline constexpr qsizetype kMaxNameBytes = 255;

// The n-th name an item called name may take in the Trash: the name itself
// for 0, "base n.ext" for 1 to 500, then "base <UUID>.ext". The base is
// shortened, by whole characters, to keep the name within kMaxNameBytes.
QString trashName(const QString& name, int n);

// The containing folder ("/" for a top-level item and for "/").
QString parent(QStringView p);

// The parent folder and the last component of a path in standard form.
std::pair<QString, QString> split(const QString& standardPath);

// dir + "/" + name, without doubling a slash.
QString join(QStringView dir, QStringView name);

// True when p lies strictly inside folder (folder + "/" is a prefix of p).
bool isInside(QStringView p, QStringView folder);

} // namespace tw::path
