#pragma once

#include <QString>

namespace tw {

// What an icon shows, resolved to pixels only when a view draws it
// (IconLoader): the workspace icon of a file or bundle, an image file, or a
// named symbol.
struct IconRef {
    enum class Kind { None, FileIcon, ImageFile, Symbol };
    Kind kind = Kind::None;
    QString value;

    static IconRef none() { return {}; }
    static IconRef fileIcon(const QString& path) { return {Kind::FileIcon, path}; }
    static IconRef imageFile(const QString& path) { return {Kind::ImageFile, path}; }
    static IconRef symbol(const QString& name) { return {Kind::Symbol, name}; }

    bool isNone() const { return kind == Kind::None; }
    friend bool operator==(const IconRef&, const IconRef&) = default;
};

} // namespace tw
