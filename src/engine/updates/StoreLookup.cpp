#include "engine/updates/StoreLookup.h"

#include "engine/updates/Versions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tw::appstore {

std::optional<QUrl> appStoreLookupURL(const QUrl& base, const QString& bundleId)
{
    if (bundleId.isEmpty())
        return std::nullopt;
    QByteArray address = base.toEncoded(QUrl::RemoveQuery | QUrl::RemoveFragment);
    while (address.endsWith('/'))
        address.chop(1);
    // Only unreserved characters stay as they are, so an identifier cannot
    // add query keys of its own.
    address += "/lookup?bundleId=" + QUrl::toPercentEncoding(bundleId) + "&entity=macSoftware";
    const QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

UpdateAvailability appStoreResult(const HttpResponse& response, const QString& installedVersion)
{
    // The status is not looked at: an error status with a usable answer is read as any other.
    if (response.transportError)
        return UpdateAvailability::failed(kConnectionProblemMessage);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(response.body, &error);
    if (error.error != QJsonParseError::NoError)
        return UpdateAvailability::failed(kConnectionProblemMessage);
    if (!doc.isObject())
        return UpdateAvailability::launchToUpdate();
    const QJsonValue results = doc.object().value(QLatin1String("results"));
    if (!results.isArray())
        return UpdateAvailability::launchToUpdate();
    const QJsonArray array = results.toArray();
    if (array.isEmpty())
        return UpdateAvailability::launchToUpdate();
    for (const QJsonValue& element : array)
        if (!element.isObject())
            return UpdateAvailability::launchToUpdate();

    const QJsonObject first = array.first().toObject();
    const QJsonValue versionValue = first.value(QLatin1String("version"));
    const QString version = versionValue.isString() ? versionValue.toString() : QString();
    std::optional<qint64> trackId;
    const QJsonValue track = first.value(QLatin1String("trackId"));
    // Whole numbers only: toInteger falls back to its default otherwise.
    if (track.isDouble() && track.toInteger(0) == track.toInteger(1))
        trackId = track.toInteger();
    if (version.isEmpty())
        return UpdateAvailability::launchToUpdate();
    if (versions::isVersion(version, installedVersion))
        return UpdateAvailability::appStoreUpdate(version, trackId);
    return UpdateAvailability::upToDate();
}

std::unique_ptr<UpdateCheck> checkAppStore(const Platform& p, const AppUpdateItem& item,
                                           const UpdateRequestOptions& options, UpdateDone done)
{
    auto check = std::make_unique<UpdateCheck>(std::move(done));
    if (const std::optional<QUrl> url = appStoreLookupURL(options.lookupBase, item.bundleIdentifier))
        check->fetch(p.http(), *url, options.timeout,
                     [installed = item.installedVersion](const HttpResponse& r) { return appStoreResult(r, installed); });
    else
        check->finishLater(UpdateAvailability::launchToUpdate());
    return check;
}

} // namespace tw::appstore
