#include "views/kit/IconView.h"

#include "platform/Delivery.h"
#include "platform/IconLoader.h"
#include "state/SharedState.h"
#include "views/kit/NeonShapes.h"

#include <QCache>
#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <cmath>

namespace tw {

namespace {

// Decoded icons and the views waiting for them; GUI thread only.
struct IconStore {
    QCache<QString, QImage> images{600};
    QHash<QString, QList<QPointer<IconView>>> waiting;
    int decodes = 0;
};

IconStore& store()
{
    static IconStore s;
    return s;
}

QString keyOf(const IconRef& icon, int pixels)
{
    return QString::number(int(icon.kind)) + u'|' + QString::number(pixels) + u'|' + icon.value;
}

// Starts decoding icon (unless that runs already); view is repainted when it is done.
void request(const QString& key, const IconRef& icon, int pixels, IconView* view)
{
    // Without a state nothing decodes, and nothing waits: a later paint asks again.
    const SharedState* state = SharedState::current();
    if (!state)
        return;
    IconStore& s = store();
    const bool running = s.waiting.contains(key);
    QList<QPointer<IconView>>& views = s.waiting[key];
    if (!views.contains(view))
        views.append(view);
    if (running)
        return;
    ++s.decodes;
    const FileSystem* fs = &state->platform().fs();
    // Delivered to the application object, which lives as long as the store:
    // the waiting entry is always cleared, whichever views are gone.
    runInBackground(
        QCoreApplication::instance(), [icon, pixels, fs] { return IconLoader(*fs).image(icon, pixels); },
        [key](QImage image) {
            IconStore& s = store();
            s.images.insert(key, new QImage(std::move(image)));
            for (const QPointer<IconView>& v : s.waiting.take(key))
                if (v)
                    v->update();
        });
}

} // namespace

IconView::IconView(qreal side, qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_side(side)
    , m_radius(cornerRadius)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const int s = int(std::ceil(side));
    setFixedSize(s, s);
}

void IconView::setIcon(const IconRef& icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    update();
}

void IconView::setFallback(std::optional<Glyph> glyph)
{
    m_fallback = std::move(glyph);
    update();
}

bool IconView::isReady() const
{
    const int pixels = int(std::ceil(m_side * devicePixelRatioF()));
    return !m_icon.isNone() && store().images.contains(keyOf(m_icon, pixels));
}

bool IconView::isDecoding() const
{
    const int pixels = int(std::ceil(m_side * devicePixelRatioF()));
    return !m_icon.isNone() && store().waiting.contains(keyOf(m_icon, pixels));
}

QSize IconView::sizeHint() const
{
    return size();
}

int IconView::decodeCount()
{
    return store().decodes;
}

void IconView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(0, 0, m_side, m_side);
    if (m_icon.isNone()) {
        if (m_fallback)
            symbols::paint(p, r, *m_fallback);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    const int pixels = int(std::ceil(m_side * dpr));
    const QString key = keyOf(m_icon, pixels);
    const QImage* image = store().images.object(key);
    if (!image) {
        request(key, m_icon, pixels, this);
        return;
    }
    QImage shown = *image;
    shown.setDevicePixelRatio(dpr);
    if (m_radius > 0)
        p.setClipPath(neon::roundedRect(r, m_radius));
    p.drawImage(r, shown);
}

} // namespace tw
