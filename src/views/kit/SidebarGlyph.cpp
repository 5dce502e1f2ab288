#include "views/kit/SidebarGlyph.h"

#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tw {

const QList<SidebarGlyph>& allSidebarGlyphs()
{
    static const QList<SidebarGlyph> all{SidebarGlyph::applications, SidebarGlyph::updates, SidebarGlyph::startup,
                                         SidebarGlyph::network,      SidebarGlyph::extensions, SidebarGlyph::system,
                                         SidebarGlyph::settings,     SidebarGlyph::theme};
    return all;
}

GlyphLook glyphLook(SidebarGlyph glyph)
{
    using K = GlyphLook::Kind;
    switch (glyph) {
    case SidebarGlyph::applications: return {K::appStoreA, {}, 0, 30};
    case SidebarGlyph::updates: return {K::symbol, QStringLiteral("arrow.triangle.2.circlepath"), 26, 0};
    case SidebarGlyph::startup: return {K::rocket, {}, 0, 30};
    case SidebarGlyph::network: return {K::symbol, QStringLiteral("globe"), 26, 0};
    case SidebarGlyph::extensions: return {K::symbol, QStringLiteral("puzzlepiece.extension"), 24, 0};
    case SidebarGlyph::system: return {K::symbol, QStringLiteral("speedometer"), 24, 0};
    case SidebarGlyph::settings: return {K::symbol, QStringLiteral("gearshape.fill"), 24, 0};
    case SidebarGlyph::theme: return {K::symbol, QStringLiteral("paintpalette.fill"), 24, 0};
    }
    return {};
}

void drawAppStoreAIcon(QPainter& p, const QSizeF& c)
{
    const qreal w = c.width(), h = c.height();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    const qreal i = 0.12 * w;
    p.setPen(QPen(Qt::white, 0.07 * w));
    p.drawPath(neon::roundedRect(QRectF(i, i, w - 2 * i, h - 2 * i), 0.22 * w));

    QPen legs(Qt::white, 0.09 * w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    legs.setMiterLimit(10);
    p.setPen(legs);
    QPainterPath a;
    a.moveTo(0.28 * w, 0.72 * h);
    a.lineTo(0.5 * w, 0.28 * h);
    a.lineTo(0.72 * w, 0.72 * h);
    p.drawPath(a);

    QPen bar(Qt::white, 0.08 * w, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    bar.setMiterLimit(10);
    p.setPen(bar);
    p.drawLine(QPointF(0.36 * w, 0.55 * h), QPointF(0.64 * w, 0.55 * h));
    p.restore();
}

void drawRocketIcon(QPainter& p, const QSizeF& c)
{
    const qreal w = c.width(), h = c.height();
    auto pt = [&](qreal x, qreal y) { return QPointF(x * w, y * h); };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QPainterPath body;
    body.setFillRule(Qt::WindingFill);
    body.moveTo(pt(0.5, 0.08));
    body.quadTo(pt(0.72, 0.28), pt(0.68, 0.55));
    body.lineTo(pt(0.58, 0.62));
    body.lineTo(pt(0.42, 0.62));
    body.lineTo(pt(0.32, 0.55));
    body.quadTo(pt(0.28, 0.28), pt(0.5, 0.08));
    body.closeSubpath();
    p.fillPath(body, Qt::white);

    p.setBrush(neon::rgb(0.18, 0.40, 0.78));
    p.drawEllipse(QRectF(0.42 * w, 0.28 * h, 0.16 * w, 0.16 * w));

    auto triangle = [&](QPointF a, QPointF b, QPointF d, const QColor& colour) {
        QPainterPath t;
        t.setFillRule(Qt::WindingFill);
        t.moveTo(a);
        t.lineTo(b);
        t.lineTo(d);
        t.closeSubpath();
        p.fillPath(t, colour);
    };
    triangle(pt(0.34, 0.52), pt(0.18, 0.70), pt(0.40, 0.62), Qt::white);
    triangle(pt(0.66, 0.52), pt(0.82, 0.70), pt(0.60, 0.62), Qt::white);
    triangle(pt(0.42, 0.64), pt(0.5, 0.88), pt(0.58, 0.64), neon::faded(Qt::white, 0.95));
    p.restore();
}

QImage glyphImage(SidebarGlyph glyph, const QColor& colour, qreal scale, qreal frame, qreal dpr)
{
    const GlyphLook look = glyphLook(glyph);
    const QString key = QStringLiteral("glyph|") + QString::number(int(glyph)) + u'|'
        + colour.name(QColor::HexArgb) + u'|' + QString::number(scale);
    return neon::cachedImage(key, QSize(int(std::ceil(frame)), int(std::ceil(frame))), dpr, [&](QPainter& p) {
        const QPointF centre(frame / 2, frame / 2);
        if (look.kind == GlyphLook::Kind::symbol) {
            // The symbol's body fills about its font size, as a symbol does.
            const qreal side = look.pointSize * scale;
            const int px = int(std::ceil(side * dpr));
            QImage symbol = symbols::image(look.symbol, px, colour);
            symbol.setDevicePixelRatio(dpr);
            p.drawImage(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side), symbol);
            return;
        }
        // Drawn icons keep their own colours (white, the rocket's blue window).
        p.translate(centre);
        p.scale(scale, scale);
        p.translate(-look.canvas / 2, -look.canvas / 2);
        const QSizeF canvas(look.canvas, look.canvas);
        if (look.kind == GlyphLook::Kind::appStoreA)
            drawAppStoreAIcon(p, canvas);
        else
            drawRocketIcon(p, canvas);
    });
}

} // namespace tw
