#pragma once

#include <QFont>

namespace tw {

// The roles a text plays in the interface (TypeScale.cpp keeps their faces
// in this order). A view picks the role of a text,
// never a size; the scale gives each role its font (size in points, weight,
// design) and its line height.
enum class TextRole {
    emptyTitle,      // 28 bold: a placeholder's title
    pageTitle,       // 26 bold: a workspace header's title
    barTitle,        // 22 semibold: the workspace title bar
    largeTitle,      // 22 bold: a detail column's large title
    figure,          // 22 bold: a big number
    detailTitle,     // 20 bold: the selected item's name in a detail column
    sheetTitle,      // 18 bold: a sheet's title
    detailName,      // 17 bold: an application's name over its detail
    paneTitle,       // 16 semibold: a quick pane's or a card's heading
    headline,        // 15 semibold: an empty list's headline, a panel's title
    largeButton,     // 15 semibold: a workspace's main button
    button,          // 14 semibold: a detail's second button
    alertTitle,      // 14 bold: an alert's and the preview header's title
    cardTitle,       // 14 semibold: a card's title or figure
    subtitle,        // 14 regular: a placeholder's subtitle
    maker,           // 13 bold, rounded: the sidebar's maker footer
    rowTitle,        // 13 semibold: a list row's title, a heading in a column
    itemName,        // 13 medium: a quick row's title, segments, menu-like choices
    body,            // 13 regular: ordinary text, fields, menus
    callout,         // 12 regular: subtitles, labels, footers
    value,           // 12 medium: a figure beside its label
    emphasised,      // 12 semibold: a highlighted value, a small button
    pill,            // 12 semibold, rounded: a sidebar pill
    caption,         // 11 regular: a row's caption, small buttons
    captionMedium,   // 11 medium: an emphasised caption
    sectionHeader,   // 11 semibold: a section's or a column's header
    badge,           // 11 bold: a count in a badge
    footnote,        // 10 regular: the smallest texts
    glyphBadge,      // 9 bold: the count on the status item
};

namespace typescale {

// The role's font (kept, so every view shares one).
const QFont& font(TextRole role);
// The height of one line in the role's font, in whole points.
int lineHeight(TextRole role);
// The role's weight and design at another size: for a text that gives up a
// point or two before it is cut short.
QFont resized(TextRole role, qreal points);
// The role's size in points.
qreal points(TextRole role);

} // namespace typescale

} // namespace tw
