#include "app/WindowFrame.h"

namespace tw::windowframe {

namespace {

// -1 near the low end of [0, extent), 1 near the high end, 0 neither.
int nearEnd(int v, int extent, int reach)
{
    if (v < reach)
        return -1;
    if (v >= extent - reach)
        return 1;
    return 0;
}

} // namespace

Qt::Edges resizeEdges(QPoint point, QSize size, int border)
{
    if (border <= 0 || !QRect(QPoint(0, 0), size).contains(point))
        return {};
    const int corner = 3 * border;
    int x = nearEnd(point.x(), size.width(), corner);
    int y = nearEnd(point.y(), size.height(), corner);
    // Away from the corners only the band along the edge counts.
    if (x == 0 || y == 0) {
        x = nearEnd(point.x(), size.width(), border);
        y = nearEnd(point.y(), size.height(), border);
    }
    Qt::Edges edges;
    if (x != 0)
        edges |= x < 0 ? Qt::LeftEdge : Qt::RightEdge;
    if (y != 0)
        edges |= y < 0 ? Qt::TopEdge : Qt::BottomEdge;
    return edges;
}

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        // Top left and bottom right lie on one diagonal, the other two on the other.
        const bool falling = bool(edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    if (vertical)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

} // namespace tw::windowframe
