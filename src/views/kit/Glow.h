#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QWidget>

class QPainter;
class QRegion;

namespace tw {

// A widget whose shadow or glow reaches beyond its own rectangle. A widget
// cannot paint outside itself, so the nearest ancestor marked as a glow host
// paints these layers beneath its children. A caster declares the interface
// (Q_INTERFACES(tw::GlowCaster)) so that hosts find it with qobject_cast.
class GlowCaster {
public:
    virtual ~GlowCaster() = default;
    // Paints the glow in the caster's own coordinates (not clipped to it).
    virtual void paintGlow(QPainter& p) = 0;
    // How far the glow reaches beyond the caster's rectangle.
    virtual QMargins glowExtent() const = 0;
};

namespace glowhost {
// Marks w as a host for the glows of its descendants.
void mark(QWidget* w);
bool isHost(const QWidget* w);
// The nearest marked ancestor of w (null when none).
QWidget* hostOf(const QWidget* w);
// Registers a caster with its host; call when the caster is shown (again).
void attach(QWidget* caster);
// Paints, in the host's coordinates, the glows of its visible casters that
// meet region. Call at the start of the host's paintEvent.
void paint(QWidget* host, QPainter& p, const QRegion& region);
// Repaints the host where the caster glows (after the glow changed).
void invalidate(QWidget* caster);
// The casters attached to host, in attachment order.
QList<QWidget*> casters(const QWidget* host);
} // namespace glowhost

} // namespace tw

Q_DECLARE_INTERFACE(tw::GlowCaster, "tw.GlowCaster")

namespace tw {

// A plain widget that casts a glow: it attaches itself to its host each
// time it is shown.
class GlowCastingWidget : public QWidget, public GlowCaster {
    Q_OBJECT
    Q_INTERFACES(tw::GlowCaster)
public:
    using QWidget::QWidget;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace tw
