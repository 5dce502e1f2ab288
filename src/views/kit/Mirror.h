#pragma once

#include <Qt>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

class QWidget;

namespace tw {

// Places a painted row's geometry for its layout direction. A row works out
// its parts once, left to right with its leading side at x = 0, and passes
// every rect it paints, places a child in or hit-tests through its Mirror:
// in a right-to-left layout a rect is reflected in the vertical centre line
// of the bounds (QStyle::visualRect), so the box or icon that leads the row
// stands at its right and the trailing size at its left. The reflection is
// its own inverse: a child's geometry or a click maps back the same way.
//
//   const Mirror m(*this);
//   m.place(m_checkbox, QRect(kPad, y, kBox, kBox));
//   text::drawElided(p, m(titleRect), font, title, m.align(Qt::AlignLeft));
//
// Texts are drawn unmirrored in the reflected rects: align() puts them
// against the leading or trailing edge as the row stands on screen, while
// each keeps its own reading direction (an English caption reads left to
// right, an Arabic one right to left; paths and sizes use
// text::leftToRight).
class Mirror {
public:
    Mirror(Qt::LayoutDirection direction, const QRect& bounds);
    // The widget's direction over its rect.
    explicit Mirror(const QWidget& widget);

    bool isMirrored() const { return m_mirrored; }

    QRect operator()(const QRect& r) const;
    QRectF operator()(const QRectF& r) const;
    // A pixel (a click) and a point.
    QPoint operator()(const QPoint& p) const;
    QPointF operator()(const QPointF& p) const;

    // A horizontal alignment as drawn: leading (Qt::AlignLeft) and trailing
    // (Qt::AlignRight) swap sides when mirrored; the result is absolute, the
    // other flags are kept.
    Qt::Alignment align(Qt::Alignment alignment) const;
    // The leading side of a widget's layout, as drawn: for a text widget
    // that would otherwise align by its own text's direction.
    static Qt::Alignment leading(const QWidget& widget);
    // Gives a child the geometry of its left-to-right rect.
    void place(QWidget* child, const QRect& r) const;
    // Sends w a resize event of its own size whenever its layout direction
    // changes: a widget that places its children in resizeEvent, through a
    // Mirror, needs nothing more to follow the change.
    static void resizeOnDirectionChange(QWidget* w);
    // A chevron pointing along the reading direction: "chevron.right", or
    // "chevron.left" when mirrored.
    QString forwardChevron() const;

private:
    bool m_mirrored;
    int m_left;
    int m_width;
};

} // namespace tw
