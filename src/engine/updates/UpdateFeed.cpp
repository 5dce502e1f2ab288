#include "engine/updates/UpdateFeed.h"

#include "engine/updates/Versions.h"
#include "platform/PropertyList.h"

#include <QStringDecoder>

namespace tw::appcast {

std::optional<QUrl> sparkleFeedURL(const Platform& p, const QString& bundle)
{
    const auto info = plist::readDictionary(p.fs(), bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return std::nullopt;
    std::optional<QString> s = plist::string(*info, QStringLiteral("SUFeedURL"));
    if (!s)
        s = plist::string(*info, QStringLiteral("SUFeedUrl"));
    return s ? strictURL(*s) : std::nullopt;
}

UpdateAvailability sparkleResult(const HttpResponse& response, const QString& installedVersion)
{
    if (response.transportError)
        return UpdateAvailability::failed(kConnectionProblemMessage);
    if (response.status != 0 && (response.status < 200 || response.status > 299))
        return UpdateAvailability::failed(kUpdateIssueMessage);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(response.body);
    if (utf8.hasError())
        text = QString::fromLatin1(response.body);  // every byte sequence is Latin-1
    const AppcastInfo info = parseSparkleAppcast(text);
    if (!info.version || info.version->isEmpty())
        return UpdateAvailability::launchToUpdate();
    if (!versions::isVersion(*info.version, installedVersion))
        return UpdateAvailability::upToDate();
    return UpdateAvailability::updateAvailable(versions::cutAtSpace(*info.version), info.downloadURL);
}

std::unique_ptr<UpdateCheck> checkSparkle(const Platform& p, const AppUpdateItem& item,
                                          const UpdateRequestOptions& options, UpdateDone done)
{
    auto check = std::make_unique<UpdateCheck>(std::move(done));
    UpdateCheck* c = check.get();
    // The feed address is read again at every check.
    c->onPool(
        [&p, bundle = item.appPath] { return sparkleFeedURL(p, bundle); },
        [c, &p, installed = item.installedVersion, timeout = options.timeout](const std::optional<QUrl>& feed) {
            if (!feed)
                return c->finish(UpdateAvailability::launchToUpdate());
            c->fetch(p.http(), *feed, timeout, [installed](const HttpResponse& r) { return sparkleResult(r, installed); });
        },
        true);
    return check;
}

} // namespace tw::appcast
