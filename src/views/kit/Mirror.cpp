#include "views/kit/Mirror.h"

#include "views/kit/AppOwned.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWidget>

namespace tw {

namespace {

// Resends the widgets it watches their own size when their direction changes.
class DirectionFollower : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutDirectionChange) {
            auto* w = static_cast<QWidget*>(watched);
            QResizeEvent again(w->size(), w->size());
            QCoreApplication::sendEvent(w, &again);
        }
        return false;
    }
};

} // namespace

Mirror::Mirror(Qt::LayoutDirection direction, const QRect& bounds)
    : m_mirrored(direction == Qt::RightToLeft)
    , m_left(bounds.left())
    , m_width(bounds.width())
{
}

Mirror::Mirror(const QWidget& widget)
    : Mirror(widget.layoutDirection(), widget.rect())
{
}

QRect Mirror::operator()(const QRect& r) const
{
    if (!m_mirrored)
        return r;
    return QRect(2 * m_left + m_width - r.x() - r.width(), r.y(), r.width(), r.height());
}

QRectF Mirror::operator()(const QRectF& r) const
{
    if (!m_mirrored)
        return r;
    return QRectF(2 * m_left + m_width - r.x() - r.width(), r.y(), r.width(), r.height());
}

QPoint Mirror::operator()(const QPoint& p) const
{
    return m_mirrored ? QPoint(2 * m_left + m_width - 1 - p.x(), p.y()) : p;
}

QPointF Mirror::operator()(const QPointF& p) const
{
    return m_mirrored ? QPointF(2 * m_left + m_width - p.x(), p.y()) : p;
}

Qt::Alignment Mirror::align(Qt::Alignment alignment) const
{
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    Qt::Alignment side = horizontal & ~Qt::AlignAbsolute;
    if (!side)
        side = Qt::AlignLeft;  // leading, as Qt reads no horizontal flag
    if (m_mirrored && !(horizontal & Qt::AlignAbsolute)) {
        if (side == Qt::AlignLeft)
            side = Qt::AlignRight;
        else if (side == Qt::AlignRight)
            side = Qt::AlignLeft;
    }
    return (alignment & ~Qt::AlignHorizontal_Mask) | side | Qt::AlignAbsolute;
}

Qt::Alignment Mirror::leading(const QWidget& widget)
{
    return Mirror(widget.layoutDirection(), {}).align(Qt::AlignLeft);
}

void Mirror::place(QWidget* child, const QRect& r) const
{
    const QRect shown = (*this)(r);
    if (child->geometry() != shown)
        child->setGeometry(shown);
}

void Mirror::resizeOnDirectionChange(QWidget* w)
{
    w->installEventFilter(&appOwned<DirectionFollower>());
}

QString Mirror::forwardChevron() const
{
    return m_mirrored ? QStringLiteral("chevron.left") : QStringLiteral("chevron.right");
}

} // namespace tw
