#include "views/kit/TypeScale.h"

#include "views/kit/NeonText.h"

#include <array>
#include <atomic>

namespace tw {

namespace {

struct Face {
    qreal points;
    QFont::Weight weight;
    bool rounded = false;
};

// The faces in the order of TextRole (a size a line).
constexpr Face kFaces[] = {
    {28, QFont::Bold},                                     // emptyTitle
    {26, QFont::Bold},                                     // pageTitle
    {22, QFont::DemiBold}, {22, QFont::Bold}, {22, QFont::Bold},  // barTitle, largeTitle, figure
    {20, QFont::Bold},                                     // detailTitle
    {18, QFont::Bold},                                     // sheetTitle
    {17, QFont::Bold},                                     // detailName
    {16, QFont::DemiBold},                                 // paneTitle
    {15, QFont::DemiBold}, {15, QFont::DemiBold},          // headline, largeButton
    // button, alertTitle, cardTitle, subtitle
    {14, QFont::DemiBold}, {14, QFont::Bold}, {14, QFont::DemiBold}, {14, QFont::Normal},
    // maker, rowTitle, itemName, body
    {13, QFont::Bold, true}, {13, QFont::DemiBold}, {13, QFont::Medium}, {13, QFont::Normal},
    // callout, value, emphasised, pill
    {12, QFont::Normal}, {12, QFont::Medium}, {12, QFont::DemiBold}, {12, QFont::DemiBold, true},
    // caption, captionMedium, sectionHeader, badge
    {11, QFont::Normal}, {11, QFont::Medium}, {11, QFont::DemiBold}, {11, QFont::Bold},
    {10, QFont::Normal},                                   // footnote
    {9, QFont::Bold},                                      // glyphBadge
};

constexpr int kRoles = int(TextRole::glyphBadge) + 1;
static_assert(std::size(kFaces) == kRoles);

constexpr Face face(TextRole role)
{
    return kFaces[int(role)];
}

struct Scale {
    std::array<QFont, kRoles> fonts;
    // Measured when first asked: measuring loads the face, and a face no
    // shown text uses should not be loaded before the first frame.
    mutable std::array<std::atomic<int>, kRoles> lineHeights;

    Scale()
    {
        for (int i = 0; i < kRoles; ++i) {
            const Face f = face(TextRole(i));
            fonts[size_t(i)] = neon::systemFont(f.points, f.weight, f.rounded);
            lineHeights[size_t(i)].store(-1, std::memory_order_relaxed);
        }
    }
};

const Scale& scale()
{
    static const Scale s;
    return s;
}

} // namespace

namespace typescale {

const QFont& font(TextRole role)
{
    return scale().fonts[size_t(role)];
}

int lineHeight(TextRole role)
{
    std::atomic<int>& cached = scale().lineHeights[size_t(role)];
    int height = cached.load(std::memory_order_relaxed);
    if (height < 0) {
        height = neon::lineHeight(scale().fonts[size_t(role)]);
        cached.store(height, std::memory_order_relaxed);
    }
    return height;
}

QFont resized(TextRole role, qreal points)
{
    const Face f = face(role);
    return neon::systemFont(points, f.weight, f.rounded);
}

qreal points(TextRole role)
{
    return face(role).points;
}

} // namespace typescale

} // namespace tw
