#pragma once

#include "platform/FileSystem.h"
#include "platform/ProductArt.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tw {

// The picture of the user's Mac for the machine card: the platform's icon of
// the model, with the user's desktop picture painted into its screen, cropped
// to its visible pixels. Pictures are kept by key for the life of the process;
// failures are not kept.
namespace macproductimage {

// Where a picture comes from. Copies share the art and the desktop source.
struct Sources {
    std::shared_ptr<ProductArt> art;
    std::shared_ptr<DesktopPictureSource> desktop;
    FileSystem fs;  // reads the desktop pictures; its home decides the protected folders
};

inline const QString defaultDesktopPicture = QStringLiteral("/System/Library/CoreServices/DefaultDesktop.heic");

// model identifier + "|" + marketing title, both as given.
QString cacheKey(const QString& modelIdentifier, const QString& marketingTitle);

// The finished picture under a key (GUI thread only); null when none is kept.
QImage cached(const QString& key);
void store(const QString& key, const QImage& picture);
void clearCache();

// The cached picture, else one made now and kept; none when the Mac has no
// product type or the art gives no picture. GUI thread only.
std::optional<QImage> image(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources);

// The kept picture at once, when there is one. Otherwise makes it on the
// engine pool (one job per key, however often asked), keeps it, and hands it
// (null when there is none) to done on the GUI thread, unless context is gone
// by then; returns null meanwhile. GUI thread only.
QImage request(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources,
               QObject* context, std::function<void(const QImage&)> done);

// The uncached work of image(): type, icon, desktop picture, render. Safe on
// any thread as long as the sources are.
std::optional<QImage> make(const QString& modelIdentifier, const QString& marketingTitle, const Sources& sources);

// The device-model type for the identifier (with the enclosure colour first,
// when known), else the type of the first family named in title and
// identifier; none when that family's type is not declared.
std::optional<QString> productType(const QString& modelIdentifier, const QString& marketingTitle, ProductArt& art);

// The platform's answer for the enclosure colour; none for an empty answer or "unknown".
std::optional<QString> enclosureColor(ProductArt& art);

// The desktop picture as a thumbnail of at most 1600 pixels a side, or the
// default picture when that is protected or unreadable; null when neither reads.
QImage desktopWallpaper(const Sources& sources);

// Paths on other volumes, inside photo libraries, or in the home's Desktop,
// Documents, Downloads and cloud documents are never read.
bool isPrivacyProtected(const QString& path, const QString& home);

// The icon at its 1024-square size with the wallpaper painted into its screen,
// cropped to the pixels of alpha 9 or more and returned at a device pixel ratio
// of 2. The icon unchanged when it is null or wholly transparent.
QImage render(const QImage& icon, const QImage& wallpaper);

// Paints the wallpaper into the screen area of width x height premultiplied
// RGBA pixels (rows top first, 4 x width bytes each). Nothing happens when
// the screen covers a tenth of the area or less, or when the wallpaper is
// null or empty.
void paintScreen(uchar* pixels, int width, int height, const QImage& wallpaper);

} // namespace macproductimage
} // namespace tw
