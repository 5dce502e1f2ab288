#pragma once

#include "platform/FileSystem.h"
#include "platform/Icon.h"

#include <QImage>

namespace tw {

// Turns IconRefs into pixels, with a cache. Thread-safe.
class IconLoader {
public:
    explicit IconLoader(const FileSystem& fs) : m_fs(fs) {}

    // The icon at size x size device pixels; never null.
    QImage image(const IconRef& icon, int size) const;

    // An application's own icon file (Contents/Resources/<CFBundleIconFile>),
    // or "" when it declares none that exists.
    static QString bundleIconFile(const FileSystem& fs, const QString& bundlePath);

private:
    QImage load(const IconRef& icon, int size) const;
    const FileSystem& m_fs;
};

} // namespace tw
