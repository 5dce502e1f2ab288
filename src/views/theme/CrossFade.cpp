#include "views/theme/CrossFade.h"

#include "views/kit/NeonOverlay.h"

#include <QPainter>
#include <QPixmap>
#include <QVariantAnimation>
#include <QWidget>

namespace tw {

// ---- Cross-fade -------------------------------------------------------------------------

void crossFadeWindow(QWidget* window, int durationMs)
{
    if (!window || !window->isVisible() || window->size().isEmpty())
        return;
    // A snapshot of the current look, faded out over the new one.
    class Fade : public NeonOverlay {
    public:
        Fade(QWidget* parent, QPixmap pixmap)
            : NeonOverlay(parent)
            , m_pixmap(std::move(pixmap))
        {
            setAttribute(Qt::WA_TransparentForMouseEvents);
            setAttribute(Qt::WA_NoSystemBackground);
        }
        qreal opacity = 1.0;

    protected:
        void paintEvent(QPaintEvent*) override
        {
            QPainter p(this);
            p.setOpacity(opacity);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.drawPixmap(0, 0, m_pixmap);
        }

    private:
        QPixmap m_pixmap;
    };
    auto* fade = new Fade(window, window->grab());
    fade->setObjectName(QStringLiteral("crossFade"));
    fade->setGeometry(window->rect());
    fade->raise();
    fade->show();
    auto* anim = new QVariantAnimation(fade);
    anim->setStartValue(1.0);
    anim->setEndValue(0.0);
    anim->setDuration(durationMs);
    anim->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(anim, &QVariantAnimation::valueChanged, fade, [fade](const QVariant& v) {
        fade->opacity = v.toReal();
        fade->update();
    });
    QObject::connect(anim, &QVariantAnimation::finished, fade, &QObject::deleteLater);
    anim->start();
}

} // namespace tw
