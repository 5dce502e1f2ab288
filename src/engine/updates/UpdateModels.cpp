#include "engine/updates/UpdateModels.h"

namespace tw {

std::optional<QUrl> strictURL(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString rawValue(UpdateChannel channel)
{
    switch (channel) {
    case UpdateChannel::sparkle:
        return QStringLiteral("sparkle");
    case UpdateChannel::appStore:
        return QStringLiteral("appStore");
    case UpdateChannel::manual:
        break;
    }
    return QStringLiteral("manual");
}

UpdateAvailability UpdateAvailability::updateAvailable(QString version, std::optional<QUrl> downloadURL)
{
    UpdateAvailability a(Kind::updateAvailable);
    a.m_version = std::move(version);
    a.m_downloadURL = std::move(downloadURL);
    return a;
}

UpdateAvailability UpdateAvailability::appStoreUpdate(QString version, std::optional<qint64> trackId)
{
    UpdateAvailability a(Kind::appStoreUpdate);
    a.m_version = std::move(version);
    a.m_trackId = trackId;
    return a;
}

UpdateAvailability UpdateAvailability::failed(QString message)
{
    UpdateAvailability a(Kind::failed);
    a.m_message = std::move(message);
    return a;
}

QString UpdateAvailability::describe() const
{
    switch (m_kind) {
    case Kind::updateAvailable:
        return QStringLiteral("updateAvailable(%1, %2)")
            .arg(m_version, m_downloadURL ? m_downloadURL->toString() : QStringLiteral("none"));
    case Kind::appStoreUpdate:
        return QStringLiteral("appStoreUpdate(%1, %2)")
            .arg(m_version, m_trackId ? QString::number(*m_trackId) : QStringLiteral("none"));
    case Kind::failed:
        return QStringLiteral("failed(%1)").arg(m_message);
    case Kind::pending:
        return QStringLiteral("pending");
    case Kind::checking:
        return QStringLiteral("checking");
    case Kind::upToDate:
        return QStringLiteral("upToDate");
    case Kind::launchToUpdate:
        break;
    }
    return QStringLiteral("launchToUpdate");
}

QString AppUpdateItem::statusLabel() const
{
    using Kind = UpdateAvailability::Kind;
    switch (availability.kind()) {
    case Kind::updateAvailable:
    case Kind::appStoreUpdate:
        return QStringLiteral("Available version ") + availability.version();
    case Kind::failed:
        return availability.message();
    case Kind::pending:
    case Kind::checking:
        return QStringLiteral("Checking\u2026");
    case Kind::upToDate:
        return QStringLiteral("Up to date");
    case Kind::launchToUpdate:
        break;
    }
    return QStringLiteral("Information not provided by the developer");
}

} // namespace tw
