#pragma once

// Small pieces the cleaner's loaders and controls share.

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QSet>
#include <QStringDecoder>

#include <optional>
#include <vector>

namespace tw::cleaner {

inline const QString kLoginItemCategory = QStringLiteral("Application Login Item");

// A folder's entries; none when it cannot be listed.
inline std::vector<DirEntry> listing(const FileSystem& fs, const QString& folder)
{
    return fs.list(folder).value_or(std::vector<DirEntry>());
}

inline QString lowerExtension(const QString& p)
{
    return path::extension(p).toLower();
}

// Adds key to seen; false when it was there already.
inline bool firstSeen(QSet<QString>& seen, const QString& key)
{
    const qsizetype before = seen.size();
    seen.insert(key);
    return seen.size() != before;
}

// Strict UTF-8 decoding; nullopt when the bytes are not UTF-8.
inline std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// True when the key holds the boolean true.
inline bool isTrue(const QVariantMap& d, const QString& key)
{
    const auto it = d.constFind(key);
    return it != d.cend() && it->typeId() == QMetaType::Bool && it->toBool();
}

// A bundle's title from its Info.plist: "CFBundleDisplayName", else
// "CFBundleName", else its file name without extension.
inline QString bundleTitle(const QVariantMap& info, const QString& bundle)
{
    if (const auto name = plist::string(info, QStringLiteral("CFBundleDisplayName")))
        return *name;
    if (const auto name = plist::string(info, QStringLiteral("CFBundleName")))
        return *name;
    return path::baseName(bundle);
}

} // namespace tw::cleaner
