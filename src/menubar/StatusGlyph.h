#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace tw::statusglyph {

// The status item's side, in points.
inline constexpr int side = 18;

// The badge title: a space and the number of available updates
// when there are any (" 3"), else nothing.
QString badgeTitle(int availableUpdates);

// The picture reads on a dark panel and on a light one alike: a white brush
// with a plus sign on a dark tile with a light rim; the update count is white
// on a red capsule with a light rim.
QColor tileColour();
QColor inkColour();
QColor badgeColour();

// The glyph on its tile, side x side points at the given pixel ratio, on a
// transparent ground.
QImage image(qreal dpr);
// The tray's picture: the glyph with the badge's number on its top right
// corner, at the glyph's size; just the glyph when the title is empty.
QImage withBadge(const QString& title, qreal dpr);

} // namespace tw::statusglyph
