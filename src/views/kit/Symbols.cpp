#include "views/kit/Symbols.h"

#include <QCache>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

namespace tw {

QColor Glyph::colourIn(AppAppearance a) const
{
    QColor c = colour ? *colour : tintColour(tint, a);
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

Glyph tintedSymbol(const QString& name, qreal points)
{
    return {name, points, Tint::accent};
}

Glyph refreshGlyph()
{
    return {QStringLiteral("arrow.clockwise"), 13, Tint::secondary};
}

namespace symbols {

namespace {

// System symbol name -> icon file under resources/symbols.
const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> t{
        {"a.square.fill", "square-letter-a-filled"},
        {"airplane", "plane"},
        {"app", "app-window"},
        {"arrow.clockwise", "rotate-clockwise"},
        {"arrow.down.circle", "download"},
        {"arrow.down.doc.fill", "file-download-filled"},
        {"arrow.right", "arrow-right"},
        {"arrow.triangle.2.circlepath", "refresh"},
        {"arrow.up.forward.square", "external-link"},
        {"bolt.horizontal.circle.fill", "bolt-filled"},
        {"bubble.left", "message-circle"},
        {"checkmark.circle.fill", "circle-check-filled"},
        {"checkmark.seal.fill", "rosette-discount-check-filled"},
        {"chevron.down", "chevron-down"},
        {"chevron.left", "chevron-left"},
        {"chevron.right", "chevron-right"},
        {"chevron.up.chevron.down", "selector"},
        {"circle", "circle"},
        {"cpu", "cpu"},
        {"doc", "file"},
        {"doc.badge.gearshape", "file-settings"},
        {"doc.fill", "file-filled"},
        {"doc.on.doc", "files"},
        {"doc.on.doc.fill", "files-filled"},
        {"doc.text.fill", "file-text-filled"},
        {"exclamationmark.triangle", "alert-triangle"},
        {"exclamationmark.triangle.fill", "alert-triangle-filled"},
        {"folder", "folder"},
        {"folder.fill", "folder-filled"},
        {"gearshape", "settings"},
        {"gearshape.fill", "settings-filled"},
        {"globe", "world"},
        {"hammer.fill", "hammer"},
        {"info.circle", "info-circle"},
        {"internaldrive.fill", "server"},
        {"laptopcomputer", "device-laptop"},
        {"magnifyingglass", "search"},
        {"memorychip", "memory"},
        {"moon.stars.fill", "moon-stars"},
        {"paintpalette.fill", "palette-filled"},
        {"person.badge.key.fill", "user-key"},
        {"pin", "pin"},
        {"pin.fill", "pin-filled"},
        {"play.fill", "player-play"},
        {"puzzlepiece.extension", "puzzle"},
        {"puzzlepiece.extension.fill", "puzzle-filled"},
        {"puzzlepiece.fill", "puzzle-2"},
        {"questionmark.circle", "help-circle"},
        {"rocket.fill", "rocket"},
        {"shippingbox.fill", "package"},
        {"slider.horizontal.3", "adjustments-horizontal"},
        {"speedometer", "gauge"},
        {"square.and.arrow.down.on.square", "square-arrow-down"},
        {"square.grid.2x2.fill", "layout-grid-filled"},
        {"trash", "trash"},
        {"xmark", "x"},
        {"xmark.circle.fill", "circle-x-filled"},
    };
    return t;
}

// The SVG text of an icon file, read once.
QByteArray svgText(const QString& file)
{
    static QHash<QString, QByteArray> texts;
    const auto it = texts.constFind(file);
    if (it != texts.cend())
        return *it;
    QFile f(file);
    const QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    texts.insert(file, text);
    return text;
}

} // namespace

QStringList names()
{
    QStringList all = table().keys();
    all.sort();
    return all;
}

QString fileFor(const QString& name)
{
    const auto it = table().constFind(name);
    return it == table().cend() ? QString() : QStringLiteral(":/symbols/") + *it + QStringLiteral(".svg");
}

QImage image(const QString& name, int size, const QColor& color)
{
    static QMutex mutex;
    static QCache<QString, QImage> cache(400);
    const QString key = name + u'|' + QString::number(size) + u'|' + color.name(QColor::HexArgb);
    QMutexLocker lock(&mutex);
    if (const QImage* hit = cache.object(key))
        return *hit;
    const QString file = fileFor(name);
    if (file.isEmpty() || size <= 0)
        return {};
    QByteArray svg = svgText(file);
    if (svg.isEmpty())
        return {};
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setOpacity(color.alphaF());
    renderer.render(&p, QRectF(0, 0, size, size));
    p.end();
    cache.insert(key, new QImage(img));
    return img;
}

QIcon icon(const QString& name, int size, const QColor& color)
{
    return QIcon(QPixmap::fromImage(image(name, size, color)));
}

void paint(QPainter& p, const QRectF& box, const Glyph& glyph)
{
    const qreal side = std::min({glyph.points, box.width(), box.height()});
    if (side <= 0)
        return;
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    QImage img = image(glyph.symbol, int(std::ceil(side * dpr)), glyph.colourIn(AppTheme::appearance()));
    if (img.isNull())
        return;
    img.setDevicePixelRatio(dpr);
    const QPointF at(box.center().x() - side / 2, box.center().y() - side / 2);
    p.drawImage(QRectF(at, QSizeF(side, side)), img);
}

} // namespace symbols

} // namespace tw
