#include "views/kit/NeonText.h"

#include "platform/ThreadPool.h"
#include "views/kit/TextLines.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

namespace neon {

namespace {

struct Families {
    QString plain;
    QString round;
};

// Resolved once, on whichever thread asks first (the start-up warms it on
// the engine pool); the others wait for it.
const Families& families()
{
    static const Families resolved = [] {
        const QStringList families = QFontDatabase::families();
        // Families may carry their foundry: "Nimbus Sans [urw]".
        auto installed = [&](const QString& f) {
            return std::any_of(families.begin(), families.end(), [&](const QString& have) {
                return have.compare(f, Qt::CaseInsensitive) == 0
                    || have.startsWith(f + QStringLiteral(" ["), Qt::CaseInsensitive);
            });
        };
        auto first = [&](const QStringList& wanted) {
            for (const QString& f : wanted)
                if (installed(f))
                    return f;
            return QString();
        };
        Families out;
        out.plain = first({QStringLiteral(".AppleSystemUIFont"), QStringLiteral("SF Pro Text"),
                           QStringLiteral("Helvetica Neue"), QStringLiteral("Inter"), QStringLiteral("Cantarell"),
                           QStringLiteral("Nimbus Sans")});
        if (out.plain.isEmpty())
            out.plain = QGuiApplication::font().family();
        out.round = first({QStringLiteral("SF Pro Rounded"), QStringLiteral("Nunito"), QStringLiteral("Varela Round")});
        if (out.round.isEmpty())
            out.round = out.plain;
        return out;
    }();
    return resolved;
}

QString preferredFamily(bool rounded)
{
    return rounded ? families().round : families().plain;
}

} // namespace

QFont systemFont(qreal points, QFont::Weight weight, bool rounded)
{
    QFont f(preferredFamily(rounded));
    f.setPixelSize(std::max(1, qRound(points)));
    f.setWeight(weight);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

void prepareFonts()
{
    // Loading the font configuration and matching the interface's faces
    // takes milliseconds that the window's widgets would otherwise wait for
    // at their first size hint; the matches are shared between threads.
    enginePool().start([] {
        for (bool rounded : {false, true})
            for (QFont::Weight weight : {QFont::Normal, QFont::Medium, QFont::DemiBold, QFont::Bold})
                QFontMetricsF(systemFont(13, weight, rounded)).height();
    });
}

void paintGlowingText(QPainter& p, const QRectF& rect, int flags, const QString& text, const QFont& font,
                      const QColor& colour, const QList<Shadow>& glows)
{
    if (text.isEmpty())
        return;
    // The glow is blurred from the text's own box, not the whole rectangle.
    const QRectF box = QFontMetricsF(font).boundingRect(rect, flags, text).adjusted(-1, -1, 1, 1) & rect;
    const QSize size(int(std::ceil(box.width())), int(std::ceil(box.height())));
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("text|") + text + u'|' + font.key() + u'|' + QString::number(flags);
    const QImage body = cachedImage(key, size, dpr, [&](QPainter& q) {
        q.setFont(font);
        q.setPen(Qt::white);
        q.drawText(QRectF(rect.topLeft() - box.topLeft(), rect.size()), flags, text);
    });
    paintShadows(p, key + u'@' + QString::number(size.width()) + u'x' + QString::number(size.height()), body,
                 box.topLeft(), glows);
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, flags, text);
    p.restore();
}

QString elided(const QString& text, const QFont& font, qreal width)
{
    return QFontMetricsF(font).elidedText(text::singleLine(text), Qt::ElideRight, width);
}

int lineHeight(const QFont& font)
{
    return int(std::ceil(QFontMetricsF(font).height()));
}

} // namespace neon

} // namespace tw
