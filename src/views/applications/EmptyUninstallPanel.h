#pragma once

#include <QList>
#include <QRectF>
#include <QUrl>
#include <QWidget>

class QMimeData;

namespace tw {

// What the detail column shows while no application is selected: the title,
// the subtitle, the illustration (a box with an application tile on a soft
// disc) and the drop zone, whose dashed border is fully opaque while a drag
// hovers over it. Only the zone takes drops, and only of file URLs; a drop is
// always a copy (the source never deletes what it dragged). The panel reports
// the hover and the dropped URLs; what they mean is its owner's.
class EmptyUninstallPanel : public QWidget {
    Q_OBJECT
public:
    explicit EmptyUninstallPanel(QWidget* parent = nullptr);

    void setDropTargeted(bool on);

    // The soft fill of the illustration's disc and the drop zone.
    static QColor softFill();
    // The drop zone's border opacity: 1 while targeted, else 0.55.
    qreal dropZoneBorderOpacity() const { return m_targeted ? 1.0 : 0.55; }

    // Where the parts lie at the current size, as drawn.
    struct Layout {
        QRectF title;
        QRectF subtitle;
        QRectF disc;
        QRectF dropZone;
        QRectF zoneSymbol;
        QRectF zoneText;  // the zone's text, whole: wrapped to its width
    };
    Layout layoutParts() const;
    QRectF dropZone() const { return layoutParts().dropZone; }
    QStringList texts() const;

    // The file URLs a drag carries (none for text, images and other URLs).
    static QList<QUrl> fileUrls(const QMimeData* data);

signals:
    // A drag of file URLs entered (true) or left (false) the drop zone.
    void dropHoverChanged(bool over);
    void dropped(const QList<QUrl>& urls);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Takes the drag where it may drop (file URLs over the zone), reports the hover.
    bool takeDrag(QDropEvent* event);

    bool m_targeted = false;
    bool m_hovering = false;
};

} // namespace tw
