#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

class QPainter;

namespace tw {

// The sidebar's icons, in their fixed order.
enum class SidebarGlyph { applications, updates, startup, network, extensions, system, settings, theme };

const QList<SidebarGlyph>& allSidebarGlyphs();

// How a glyph is drawn: a drawn icon on a 30 x 30 canvas, or a named symbol
// at a font size.
struct GlyphLook {
    enum class Kind { appStoreA, rocket, symbol };
    Kind kind = Kind::symbol;
    QString symbol;      // for symbols
    qreal pointSize = 0; // for symbols
    qreal canvas = 0;    // for drawn icons
};
GlyphLook glyphLook(SidebarGlyph glyph);

// The glyph's icon in one colour, scaled by scale about its centre and
// centred in a frame of frame x frame points, at the pixel ratio dpr.
QImage glyphImage(SidebarGlyph glyph, const QColor& colour, qreal scale, qreal frame, qreal dpr);

// The two drawn icons; every coordinate is a fraction of the canvas size.
// A rounded square with the letter A, stroked in white.
void drawAppStoreAIcon(QPainter& p, const QSizeF& canvas);
// A rocket with a blue window, filled in white.
void drawRocketIcon(QPainter& p, const QSizeF& canvas);

} // namespace tw
