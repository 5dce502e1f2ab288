#include "views/kit/TypeScale.h"

#include "views/kit/NeonPaint.h"

#include <array>

namespace tw {

namespace {

struct Face {
    qreal points;
    QFont::Weight weight;
    bool rounded = false;
};

constexpr int kRoles = int(TextRole::glyphBadge) + 1;

constexpr Face face(TextRole role)
{
    switch (role) {
    case TextRole::emptyTitle: return {28, QFont::Bold};
    case TextRole::pageTitle: return {26, QFont::Bold};
    case TextRole::barTitle: return {22, QFont::DemiBold};
    case TextRole::largeTitle: return {22, QFont::Bold};
    case TextRole::figure: return {22, QFont::Bold};
    case TextRole::detailTitle: return {20, QFont::Bold};
    case TextRole::sheetTitle: return {18, QFont::Bold};
    case TextRole::detailName: return {17, QFont::Bold};
    case TextRole::paneTitle: return {16, QFont::DemiBold};
    case TextRole::headline: return {15, QFont::DemiBold};
    case TextRole::largeButton: return {15, QFont::DemiBold};
    case TextRole::alertTitle: return {14, QFont::Bold};
    case TextRole::cardTitle: return {14, QFont::DemiBold};
    case TextRole::subtitle: return {14, QFont::Normal};
    case TextRole::maker: return {13, QFont::Bold, true};
    case TextRole::rowTitle: return {13, QFont::DemiBold};
    case TextRole::itemName: return {13, QFont::Medium};
    case TextRole::body: return {13, QFont::Normal};
    case TextRole::callout: return {12, QFont::Normal};
    case TextRole::value: return {12, QFont::Medium};
    case TextRole::emphasised: return {12, QFont::DemiBold};
    case TextRole::pill: return {12, QFont::DemiBold, true};
    case TextRole::caption: return {11, QFont::Normal};
    case TextRole::captionMedium: return {11, QFont::Medium};
    case TextRole::sectionHeader: return {11, QFont::DemiBold};
    case TextRole::badge: return {11, QFont::Bold};
    case TextRole::footnote: return {10, QFont::Normal};
    case TextRole::glyphBadge: return {9, QFont::Bold};
    }
    return {13, QFont::Normal};
}

struct Scale {
    std::array<QFont, kRoles> fonts;
    std::array<int, kRoles> lineHeights{};

    Scale()
    {
        for (int i = 0; i < kRoles; ++i) {
            const Face f = face(TextRole(i));
            fonts[size_t(i)] = neon::systemFont(f.points, f.weight, f.rounded);
            lineHeights[size_t(i)] = neon::lineHeight(fonts[size_t(i)]);
        }
    }
};

const Scale& scale()
{
    static const Scale s;
    return s;
}

} // namespace

namespace TypeScale {

const QFont& font(TextRole role)
{
    return scale().fonts[size_t(role)];
}

int lineHeight(TextRole role)
{
    return scale().lineHeights[size_t(role)];
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

} // namespace TypeScale

} // namespace tw
