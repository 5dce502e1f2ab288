#include "monitor/MacProductImage.h"

#include "platform/Path.h"
#include "platform/Delivery.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <array>

namespace tw::macproductimage {

namespace {

constexpr int kThumbnailSide = 1600;
constexpr std::int64_t kPictureBytes = 64 << 20;

struct FamilyRow {
    const char* text;
    const char* type;
};

// Searched in order: the longer names come before the names they contain.
constexpr std::array<FamilyRow, 7> kFamilies{{
    {"macbookpro", "com.apple.macbookpro"},
    {"macbookair", "com.apple.macbookair"},
    {"macbook", "com.apple.macbook"},
    {"imac", "com.apple.imac"},
    {"macmini", "com.apple.macmini"},
    {"macstudio", "com.apple.macstudio"},
    {"macpro", "com.apple.macpro"},
}};

QHash<QString, QImage>& pictureCache()
{
    static QHash<QString, QImage> pictures;
    return pictures;
}

struct Waiter {
    QPointer<QObject> context;
    std::function<void(const QImage&)> done;
};

// The keys being made on the pool, with who waits for each.
QHash<QString, QList<Waiter>>& pending()
{
    static QHash<QString, QList<Waiter>> waiting;
    return waiting;
}

QImage thumbnail(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kThumbnailSide)
        reader.setScaledSize(size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && std::max(image.width(), image.height()) > kThumbnailSide)
        image = image.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

struct Pixel {
    uchar r, g, b, a;
};

inline Pixel at(const uchar* pixels, int width, int x, int y)
{
    const uchar* p = pixels + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The screen's own colour: opaque and clearly blue.
inline bool isScreenPixel(Pixel p)
{
    return p.a == 255 && p.b >= 171 && int(p.b) - int(p.r) >= 91 && int(p.b) - int(p.g) >= 36;
}

// Opaque and not dark: part of the screen, not of its bezel or shadow.
inline bool isLitPixel(Pixel p)
{
    return p.a == 255 && std::max({p.r, p.g, p.b}) >= 41;
}

struct Box {
    int left, top, right, bottom;
};

// The bounding box of the pixels that pass a test, and how many pass it;
// right is -1 when none does.
template <typename Test>
std::pair<Box, std::int64_t> boundingBox(const uchar* pixels, int width, int height, Test passes)
{
    Box box{width, height, -1, -1};
    std::int64_t count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!passes(at(pixels, width, x, y)))
                continue;
            ++count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return {box, count};
}

// Pushes each edge outward along the box's middle row or column over lit pixels.
void walkEdges(const uchar* pixels, int width, int height, Box& box)
{
    const int column = (box.left + box.right) / 2;
    const int row = (box.top + box.bottom) / 2;
    while (box.top > 0 && isLitPixel(at(pixels, width, column, box.top - 1)))
        --box.top;
    while (box.bottom < height - 1 && isLitPixel(at(pixels, width, column, box.bottom + 1)))
        ++box.bottom;
    while (box.left > 0 && isLitPixel(at(pixels, width, box.left - 1, row)))
        --box.left;
    while (box.right < width - 1 && isLitPixel(at(pixels, width, box.right + 1, row)))
        ++box.right;
}

// The wallpaper scaled to fill rw x rh, centred, overflowing in one direction.
QImage filledWallpaper(const QImage& wallpaper, int rw, int rh)
{
    QImage fill(rw, rh, QImage::Format_RGBA8888_Premultiplied);
    if (fill.isNull())
        return fill;
    fill.fill(Qt::transparent);
    QPainter p(&fill);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal scale = std::max(qreal(rw) / wallpaper.width(), qreal(rh) / wallpaper.height());
    const qreal w = wallpaper.width() * scale;
    const qreal h = wallpaper.height() * scale;
    p.drawImage(QRectF((rw - w) / 2, (rh - h) / 2, w, h), wallpaper);
    return fill;
}

} // namespace

QString cacheKey(const QString& modelIdentifier, const QString& marketingTitle)
{
    return modelIdentifier + u'|' + marketingTitle;
}

QImage cached(const QString& key)
{
    return pictureCache().value(key);
}

void store(const QString& key, const QImage& picture)
{
    if (!picture.isNull())
        pictureCache().insert(key, picture);
}

void clearCache()
{
    pictureCache().clear();
}

std::optional<QImage> image(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources)
{
    const QString key = cacheKey(modelIdentifier, marketingTitle);
    if (QImage hit = cached(key); !hit.isNull())
        return hit;
    std::optional<QImage> picture = make(modelIdentifier, marketingTitle, sources);
    if (picture)
        store(key, *picture);
    return picture;
}

QImage request(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources,
               QObject* context, std::function<void(const QImage&)> done)
{
    const QString key = cacheKey(modelIdentifier, marketingTitle);
    if (QImage hit = cached(key); !hit.isNull())
        return hit;
    const bool running = pending().contains(key);
    pending()[key].append({context, std::move(done)});
    if (running)
        return {};
    // Kept even when every asker is gone by then.
    runInBackground(
        QCoreApplication::instance(),
        [modelIdentifier, marketingTitle, sources] {
            return make(modelIdentifier, marketingTitle, sources).value_or(QImage());
        },
        [key](const QImage& picture) {
            store(key, picture);
            const QList<Waiter> waiters = pending().take(key);
            for (const Waiter& w : waiters) {
                if (w.context)
                    w.done(picture);
            }
        });
    return {};
}

std::optional<QImage> make(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources)
{
    if (!sources.art)
        return std::nullopt;
    const std::optional<QString> type = productType(modelIdentifier, marketingTitle, *sources.art);
    if (!type)
        return std::nullopt;
    const QImage icon = sources.art->icon(*type);
    if (icon.isNull())
        return std::nullopt;
    QImage picture = render(icon, desktopWallpaper(sources));
    if (picture.isNull())
        return std::nullopt;
    return picture;
}

std::optional<QString> productType(const QString& modelIdentifier, const QString& marketingTitle, ProductArt& art)
{
    const QString identifier = modelIdentifier.trimmed();
    if (!identifier.isEmpty()) {
        QStringList codes;
        if (const std::optional<QString> colour = enclosureColor(art))
            codes << identifier + QStringLiteral("@ECOLOR=") + *colour;
        codes << identifier;
        for (const QString& code : codes) {
            if (std::optional<QString> type = art.deviceModelType(code))
                return type;
        }
    }
    const QString search = (marketingTitle + identifier).toLower().remove(u' ');
    for (const FamilyRow& row : kFamilies) {
        if (!search.contains(QLatin1String(row.text)))
            continue;
        const QString type = QLatin1String(row.type);
        return art.isDeclared(type) ? std::optional<QString>(type) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> enclosureColor(ProductArt& art)
{
    const std::optional<QString> answer = art.enclosureColorAnswer();
    if (!answer || answer->isEmpty() || *answer == QLatin1String("unknown"))
        return std::nullopt;
    return answer;
}

bool isPrivacyProtected(const QString& path, const QString& home)
{
    const QString p = path::standardized(path);
    if (p.startsWith(QLatin1String("/Volumes/")) || p.contains(QLatin1String(".photoslibrary/")))
        return true;
    const QString h = path::standardized(home);
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Library/Mobile Documents"}) {
        if (p.startsWith(path::join(h, QString::fromLatin1(folder)) + u'/'))
            return true;
    }
    return false;
}

QImage desktopWallpaper(const Sources& sources)
{
    QStringList candidates{defaultDesktopPicture};
    if (sources.desktop) {
        if (const std::optional<QString> picture = sources.desktop->mainScreenPicture();
            picture && !isPrivacyProtected(*picture, sources.fs.home()))
            candidates.prepend(*picture);
    }
    for (const QString& candidate : candidates) {
        const std::optional<QByteArray> data = sources.fs.readFile(candidate, kPictureBytes);
        if (!data)
            continue;
        QImage picture = thumbnail(*data);
        if (!picture.isNull())
            return picture;
    }
    return {};
}

QImage render(const QImage& icon, const QImage& wallpaper)
{
    if (icon.isNull())
        return icon;
    QImage bitmap = icon.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (bitmap.isNull() || bitmap.bytesPerLine() != qsizetype(w) * 4)
        return icon;
    if (!wallpaper.isNull())
        paintScreen(bitmap.bits(), w, h, wallpaper);

    const Box box = boundingBox(bitmap.constBits(), w, h, [](Pixel p) { return p.a > 8; }).first;
    if (box.right < 0)
        return icon;
    QImage cropped = bitmap.copy(box.left, box.top, box.right - box.left + 1, box.bottom - box.top + 1);
    if (cropped.isNull())
        return icon;
    cropped.setDevicePixelRatio(2.0);
    return cropped;
}

void paintScreen(uchar* pixels, int width, int height, const QImage& wallpaper)
{
    // A picture with no pixels has no scale to fill the screen with.
    if (!pixels || width <= 0 || height <= 0 || wallpaper.isNull() || wallpaper.width() <= 0
        || wallpaper.height() <= 0)
        return;
    auto [box, count] = boundingBox(pixels, width, height, isScreenPixel);
    if (count <= std::int64_t(width) * height / 10)
        return;
    walkEdges(pixels, width, height, box);

    const int rw = box.right - box.left + 1;
    const int rh = box.bottom - box.top + 1;
    const QImage fill = filledWallpaper(wallpaper, rw, rh);
    if (fill.isNull())
        return;
    for (int y = 0; y < rh; ++y) {
        const uchar* source = fill.constScanLine(y);
        uchar* row = pixels + (std::size_t(box.top + y) * std::size_t(width) + std::size_t(box.left)) * 4;
        for (int x = 0; x < rw; ++x) {
            uchar* p = row + std::size_t(x) * 4;
            if (!isLitPixel({p[0], p[1], p[2], p[3]}))
                continue;
            p[0] = source[x * 4];
            p[1] = source[x * 4 + 1];
            p[2] = source[x * 4 + 2];
            p[3] = 255;
        }
    }
}

} // namespace tw::macproductimage
