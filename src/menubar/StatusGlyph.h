#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>

namespace tw::StatusGlyph {

// The status item's side, in points.
inline constexpr int side = 18;

// The badge beside the glyph: a space and the number of available updates
// when there are any (" 3"), else nothing.
QString badgeTitle(int availableUpdates);

// The glyph (a brush with a plus sign) in one colour, side x side points at
// the given pixel ratio, on a transparent ground.
QImage image(const QColor& colour, qreal dpr);
// The tray's picture: the glyph with the badge's number drawn beside it,
// both in colour; just the glyph when the title is empty.
QImage withBadge(const QString& title, const QColor& colour, qreal dpr);

} // namespace tw::StatusGlyph
