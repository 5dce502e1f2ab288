#pragma once

#include <QRectF>
#include <QWidget>

namespace tw {

// What the detail column shows while no application is selected: the title,
// the subtitle, the illustration (a box with an application tile on a soft
// disc) and the drop zone, whose dashed border is fully opaque while a drag
// hovers over it. The panel only draws the zone; the drop is handled by
// whoever watches dropZone().
class EmptyUninstallPanel : public QWidget {
    Q_OBJECT
public:
    explicit EmptyUninstallPanel(QWidget* parent = nullptr);

    bool isDropTargeted() const { return m_targeted; }
    void setDropTargeted(bool on);

    // The soft fill of the illustration's disc and the drop zone.
    static QColor softFill();
    // The drop zone's border opacity: 1 while targeted, else 0.55.
    qreal dropZoneBorderOpacity() const { return m_targeted ? 1.0 : 0.55; }

    // Where the parts lie at the current size.
    struct Layout {
        QRectF title;
        QRectF subtitle;
        QRectF disc;
        QRectF dropZone;
    };
    Layout layoutParts() const;
    QRectF dropZone() const { return layoutParts().dropZone; }
    QStringList texts() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_targeted = false;
};

} // namespace tw
