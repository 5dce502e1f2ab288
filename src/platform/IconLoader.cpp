#include "platform/IconLoader.h"

#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QBuffer>
#include <QCache>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>

namespace tw {

namespace {

QMutex cacheMutex;
QCache<QString, QImage>& cache()
{
    static QCache<QString, QImage> c(400);
    return c;
}

QImage readImage(const FileSystem& fs, const QString& file, int size)
{
    const auto data = fs.readFile(file, 16 << 20);
    if (!data)
        return {};
    QBuffer buffer;
    buffer.setData(*data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Icon files hold several sizes: take the one closest above the request.
    QImage best;
    do {
        QImage img = reader.read();
        if (img.isNull())
            break;
        if (best.isNull() || (best.width() < size && img.width() > best.width())
            || (img.width() >= size && img.width() < best.width()))
            best = img;
    } while (reader.jumpToNextImage());
    if (best.isNull())
        return {};
    return best.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Generic artwork for items without an icon of their own.
QImage generic(const QString& kind, int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    if (kind == QLatin1String("folder")) {
        QPainterPath tab;
        tab.addRoundedRect(QRectF(0.08 * s, 0.18 * s, 0.38 * s, 0.2 * s), 0.05 * s, 0.05 * s);
        p.fillPath(tab, QColor(74, 144, 226));
        QPainterPath body;
        body.addRoundedRect(QRectF(0.08 * s, 0.26 * s, 0.84 * s, 0.58 * s), 0.07 * s, 0.07 * s);
        p.fillPath(body, QColor(98, 170, 245));
    } else if (kind == QLatin1String("app")) {
        QPainterPath tile;
        tile.addRoundedRect(QRectF(0.1 * s, 0.1 * s, 0.8 * s, 0.8 * s), 0.2 * s, 0.2 * s);
        QLinearGradient g(0, 0.1 * s, 0, 0.9 * s);
        g.setColorAt(0, QColor(92, 160, 255));
        g.setColorAt(1, QColor(36, 86, 200));
        p.fillPath(tile, g);
        p.setPen(QPen(Qt::white, 0.07 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(0.32 * s, 0.68 * s), QPointF(0.5 * s, 0.3 * s));
        p.drawLine(QPointF(0.5 * s, 0.3 * s), QPointF(0.68 * s, 0.68 * s));
        p.drawLine(QPointF(0.38 * s, 0.55 * s), QPointF(0.62 * s, 0.55 * s));
    } else {
        QPainterPath page;
        page.moveTo(0.2 * s, 0.08 * s);
        page.lineTo(0.62 * s, 0.08 * s);
        page.lineTo(0.8 * s, 0.26 * s);
        page.lineTo(0.8 * s, 0.92 * s);
        page.lineTo(0.2 * s, 0.92 * s);
        page.closeSubpath();
        p.fillPath(page, QColor(236, 240, 246));
        p.setPen(QPen(QColor(160, 170, 185), 0.03 * s));
        p.drawPath(page);
    }
    return img;
}

} // namespace

QString IconLoader::bundleIconFile(const FileSystem& fs, const QString& bundlePath)
{
    const auto info = plist::readDictionary(fs, bundlePath + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return {};
    QString name = plist::string(*info, QStringLiteral("CFBundleIconFile")).value_or(QString());
    if (name.isEmpty())
        return {};
    if (path::extension(name).isEmpty())
        name += QStringLiteral(".icns");
    const QString file = bundlePath + QStringLiteral("/Contents/Resources/") + name;
    return fs.exists(file) ? file : QString();
}

QImage IconLoader::image(const IconRef& icon, int size) const
{
    const QString key = QString::number(int(icon.kind)) + u'|' + QString::number(size) + u'|' + icon.value;
    {
        QMutexLocker lock(&cacheMutex);
        if (const QImage* hit = cache().object(key))
            return *hit;
    }
    QImage img = load(icon, size);
    QMutexLocker lock(&cacheMutex);
    cache().insert(key, new QImage(img));
    return img;
}

QImage IconLoader::load(const IconRef& icon, int size) const
{
    switch (icon.kind) {
    case IconRef::Kind::ImageFile: {
        QImage img = readImage(m_fs, icon.value, size);
        return img.isNull() ? generic(QStringLiteral("file"), size) : img;
    }
    case IconRef::Kind::FileIcon: {
        if (path::extension(icon.value).toLower() == QLatin1String("app")) {
            const QString file = bundleIconFile(m_fs, icon.value);
            QImage img = file.isEmpty() ? QImage() : readImage(m_fs, file, size);
            return img.isNull() ? generic(QStringLiteral("app"), size) : img;
        }
        return generic(m_fs.isDirectory(icon.value) ? QStringLiteral("folder") : QStringLiteral("file"), size);
    }
    case IconRef::Kind::Symbol:
    case IconRef::Kind::None:
        break;
    }
    return generic(QStringLiteral("file"), size);
}

} // namespace tw
