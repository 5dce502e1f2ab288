#pragma once

// What the platform knows of Mac product pictures: the content types it
// declares for device models and families with their workspace icons, the
// machine's enclosure colour, and the desktop picture of the main screen.

#include "platform/FileSystem.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace tw {

class ProductArt {
public:
    virtual ~ProductArt() = default;
    // The declared (not dynamic) type of a device model code, such as
    // "MacBookPro18,3" or "Mac14,2@ECOLOR=255,252,242"; none when the
    // platform declares no type for it.
    virtual std::optional<QString> deviceModelType(const QString& modelCode) = 0;
    // Whether the platform declares a type with this identifier ("com.apple.imac").
    virtual bool isDeclared(const QString& typeIdentifier) = 0;
    // The workspace icon of a type as a bitmap for a 1024 x 1024 square;
    // null when there is none.
    virtual QImage icon(const QString& typeIdentifier) = 0;
    // The platform's raw answer for the enclosure colour; none when it has none.
    virtual std::optional<QString> enclosureColorAnswer() = 0;
};

class DesktopPictureSource {
public:
    virtual ~DesktopPictureSource() = default;
    // The logical path of the main screen's desktop picture, as the desktop
    // names it; none when there is no screen or no picture that can be read.
    virtual std::optional<QString> mainScreenPicture() = 0;
};

namespace host {

// Pictures drawn by the program for the seven Mac families (laptops, the
// all-in-one desktop, the small boxes and the tower). The laptops' and the
// all-in-one's screens are a saturated blue inside a dark bezel. No device
// model types and no enclosure colour.
std::unique_ptr<ProductArt> makeDrawnProductArt();

// The family picture drawn at size x size pixels on a transparent ground;
// null for an unknown type identifier.
QImage drawFamilyPicture(const QString& typeIdentifier, int size);

// The desktop's configured picture, from Plasma's or Xfce's settings under the
// home's .config (GNOME keeps its own in a binary database, not read here).
std::unique_ptr<DesktopPictureSource> makeDesktopPictureSource(FileSystem fs);

// The first picture path of a Plasma applet configuration or an Xfce desktop
// channel, as a local path; none when it names none.
std::optional<QString> plasmaWallpaper(const QByteArray& appletsrc);
std::optional<QString> xfceWallpaper(const QByteArray& channelXml);

} // namespace host
} // namespace tw
