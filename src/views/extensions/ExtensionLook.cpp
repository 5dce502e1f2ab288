#include "views/extensions/ExtensionLook.h"

#include "engine/inventory/ByteFormat.h"

#include <array>

namespace tw::extensionsview {

namespace {

struct Look {
    const char* symbol;
    float red, green, blue;
};

// In the order of the kinds.
constexpr std::array<Look, 6> kLooks = {{
    {"arrow.down.doc.fill", 0.30f, 0.72f, 0.45f},
    {"puzzlepiece.extension.fill", 0.55f, 0.40f, 0.90f},
    {"moon.stars.fill", 0.25f, 0.55f, 0.95f},
    {"slider.horizontal.3", 0.95f, 0.55f, 0.20f},
    {"puzzlepiece.fill", 0.20f, 0.70f, 0.75f},
    {"square.grid.2x2.fill", 0.95f, 0.75f, 0.20f},
}};

const Look& look(ExtensionCategoryKind kind) { return kLooks[size_t(kind)]; }

} // namespace

QString kindSymbol(ExtensionCategoryKind kind) { return QLatin1String(look(kind).symbol); }

QColor kindColour(ExtensionCategoryKind kind)
{
    const Look& l = look(kind);
    return QColor::fromRgbF(l.red, l.green, l.blue);
}

QString countText(int count)
{
    if (count == 0)
        return QStringLiteral("No items");
    return QStringLiteral("%1 item%2").arg(count).arg(count == 1 ? QString() : QStringLiteral("s"));
}

QString kindSizeText(int count, std::int64_t totalSize)
{
    return count == 0 ? QStringLiteral("-") : byteformat::string(totalSize);
}

QString itemSizeText(std::int64_t size) { return size > 0 ? byteformat::string(size) : QStringLiteral("-"); }

QString emptyText(ExtensionCategoryKind kind)
{
    return QStringLiteral("No %1 found").arg(displayName(kind).toLower());
}

} // namespace tw::extensionsview
