#include "platform/ProductArt.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace tw::host {

namespace {

constexpr std::int64_t kSettingsBytes = 1 << 20;

// A picture as a settings file names it: a file URL or an absolute path.
std::optional<QString> localPicture(const QString& value)
{
    const QString text = value.trimmed();
    if (text.startsWith(u'/'))
        return text;
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.isLocalFile() && url.toLocalFile().startsWith(u'/'))
        return url.toLocalFile();
    return std::nullopt;
}

class ConfiguredDesktopPicture final : public DesktopPictureSource {
public:
    explicit ConfiguredDesktopPicture(FileSystem fs) : m_fs(std::move(fs)) {}

    std::optional<QString> mainScreenPicture() override
    {
        const QString config = m_fs.home() + QStringLiteral("/.config/");
        if (const auto data = m_fs.readFile(config + QStringLiteral("plasma-org.kde.plasma.desktop-appletsrc"),
                                            kSettingsBytes)) {
            if (auto picture = plasmaWallpaper(*data))
                return picture;
        }
        if (const auto data = m_fs.readFile(
                config + QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"), kSettingsBytes))
            return xfceWallpaper(*data);
        return std::nullopt;
    }

private:
    FileSystem m_fs;
};

} // namespace

std::optional<QString> plasmaWallpaper(const QByteArray& appletsrc)
{
    bool inImageGroup = false;
    for (const QByteArray& raw : appletsrc.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inImageGroup = line.endsWith("[Wallpaper][org.kde.image][General]");
            continue;
        }
        if (inImageGroup && line.startsWith("Image=")) {
            if (auto picture = localPicture(QString::fromUtf8(line.mid(6))))
                return picture;
        }
    }
    return std::nullopt;
}

std::optional<QString> xfceWallpaper(const QByteArray& channelXml)
{
    QXmlStreamReader xml(channelXml);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (++depth > 64)  // no settings file nests this deep
            return std::nullopt;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("property") && attributes.value(QLatin1String("name")) == QLatin1String("last-image")) {
            if (auto picture = localPicture(attributes.value(QLatin1String("value")).toString()))
                return picture;
        }
    }
    return std::nullopt;
}

std::unique_ptr<DesktopPictureSource> makeDesktopPictureSource(FileSystem fs)
{
    return std::make_unique<ConfiguredDesktopPicture>(std::move(fs));
}

} // namespace tw::host
