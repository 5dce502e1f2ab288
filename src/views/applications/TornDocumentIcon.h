#pragma once

#include <QColor>
#include <QLineF>
#include <QPolygonF>
#include <QRectF>

#include <array>

class QPainter;

namespace tw {

// The glyph of a remains entry: a sheet of paper with a folded top-right
// corner, three lines of text and a torn bottom edge. Drawn at any size, the
// same in every theme; line widths stay in points. The fold's depth follows
// the width, so it is cut at 45 degrees whatever the aspect ratio.
class TornDocumentIcon {
public:
    struct Shape {
        QPolygonF sheet;  // ten points, the torn edge from the fourth on
        QPolygonF fold;   // a triangle
        std::array<QLineF, 3> lines;
    };
    // The shape in a canvas of that size, its origin at the top left.
    static Shape shape(const QSizeF& canvas);
    // Draws into canvas; an empty canvas draws nothing.
    static void paint(QPainter& p, const QRectF& canvas);

    static QColor paper();
    static QColor ink();
};

} // namespace tw
