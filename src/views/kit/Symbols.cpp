#include "views/kit/Symbols.h"

#include <QCache>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace tw::Symbols {

QString fileFor(const QString& name)
{
    static const QHash<QString, QString> table{
        {"arrow.triangle.2.circlepath", "refresh"},
        {"arrow.clockwise", "refresh"},
        {"globe", "world"},
        {"puzzlepiece.extension", "puzzle"},
        {"speedometer", "gauge"},
        {"gearshape.fill", "settings-filled"},
        {"paintpalette.fill", "palette-filled"},
        {"checkmark.circle.fill", "circle-check-filled"},
        {"circle", "circle"},
        {"rocket.fill", "rocket"},
        {"folder", "folder"},
        {"doc", "file"},
        {"app", "app-window"},
        {"trash", "trash"},
        {"magnifyingglass", "search"},
        {"arrow.up.forward.square", "external-link"},
        {"info.circle", "info-circle"},
        {"exclamationmark.triangle", "alert-triangle"},
        {"arrow.down.circle", "download"},
        {"play.fill", "player-play"},
    };
    const auto it = table.constFind(name);
    return it == table.cend() ? QString() : QStringLiteral(":/symbols/") + *it + QStringLiteral(".svg");
}

QImage image(const QString& name, int size, const QColor& color)
{
    static QMutex mutex;
    static QCache<QString, QImage> cache(200);
    const QString key = name + u'|' + QString::number(size) + u'|' + color.name(QColor::HexArgb);
    QMutexLocker lock(&mutex);
    if (const QImage* hit = cache.object(key))
        return *hit;
    const QString file = fileFor(name);
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = f.readAll();
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

} // namespace tw::Symbols
