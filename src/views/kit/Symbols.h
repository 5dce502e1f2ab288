#pragma once

#include "views/kit/Tints.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

class QPainter;
class QRectF;

namespace tw {

// A named symbol as a view shows it: its name ("magnifyingglass",
// "gearshape.fill", ...), its side in points and its colour. The colour is a
// tint resolved for the theme at each paint, or a fixed colour.
struct Glyph {
    QString symbol;
    qreal points = 13;
    Tint tint = Tint::accent;
    qreal opacity = 1.0;
    std::optional<QColor> colour;

    QColor colourIn(AppAppearance a) const;
};

// A symbol in accentTint (the workspaces' headers and detail panels).
Glyph tintedSymbol(const QString& name, qreal points = 13);
// The refresh buttons' label: "arrow.clockwise", secondary, default size.
Glyph refreshGlyph();

// The named symbols, drawn from the freely licensed icon set under
// resources/symbols. Images are cached per name, size and colour.
namespace symbols {

// Every symbol name that has an icon.
QStringList names();
// The icon file of a symbol name ("" when the name is unknown).
QString fileFor(const QString& name);

// The symbol in one colour at size x size device pixels; a null image when unknown.
QImage image(const QString& name, int size, const QColor& color);
QIcon icon(const QString& name, int size, const QColor& color);
// Draws glyph centred in box (in points) at the painter's pixel ratio, in
// the current theme.
void paint(QPainter& p, const QRectF& box, const Glyph& glyph);

} // namespace symbols

} // namespace tw
