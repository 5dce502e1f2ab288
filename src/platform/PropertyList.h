#pragma once

#include "platform/FileSystem.h"

#include <QVariant>

#include <optional>

namespace tw::plist {

// What a property list from the disk may hold; a file beyond any bound reads
// as unreadable, before the parser sees it.
inline constexpr qsizetype kMaxBytes = 8 << 20;
inline constexpr int kMaxDepth = 64;                    // nested arrays and dictionaries
inline constexpr qint64 kMaxObjects = 100000;           // values and keys, a shared one at each reference
inline constexpr qint64 kMaxExpandedBytes = 32 << 20;   // string and data bytes, likewise

// Property lists as Qt variant trees: dictionaries are QVariantMap, arrays
// QVariantList, strings QString, integers qint64, reals double, booleans bool,
// data QByteArray and dates QDateTime (UTC).
std::optional<QVariant> parse(const QByteArray& data);      // XML or binary
std::optional<QVariant> read(const FileSystem& fs, const QString& path);
// A dictionary at path, or nullopt when the file is unreadable or holds no dictionary.
std::optional<QVariantMap> readDictionary(const FileSystem& fs, const QString& path);

QByteArray toXml(const QVariant& value);
// Writes value as an XML property list through a temporary file and a rename.
Status writeXml(const FileSystem& fs, const QString& path, const QVariant& value);
QByteArray toBinary(const QVariant& value);

// Typed reads from a dictionary: nullopt when absent or of another type.
std::optional<QString> string(const QVariantMap& d, const QString& key);
std::optional<QVariantMap> dictionary(const QVariantMap& d, const QString& key);
std::optional<QVariantList> array(const QVariantMap& d, const QString& key);

} // namespace tw::plist
