#pragma once

#include "engine/cleaner/RemovableItem.h"

#include <QColor>
#include <QString>

#include <cstdint>

// What the Extensions tab shows of a kind and an entry, apart from the theme.
namespace tw::extensionsview {

// The kind's round badge: a symbol name and an opaque colour.
QString kindSymbol(ExtensionCategoryKind kind);
QColor kindColour(ExtensionCategoryKind kind);

// "No items", "1 item", "2 items".
QString countText(int count);
// "-" for an empty kind, whatever its size; else the size.
QString kindSizeText(int count, std::int64_t totalSize);
// "-" for zero or less.
QString itemSizeText(std::int64_t size);
// "No screen savers found".
QString emptyText(ExtensionCategoryKind kind);

} // namespace tw::extensionsview
