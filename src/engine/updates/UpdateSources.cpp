// Update feeds, the App Store lookup, version comparison and the in-flight
// check of one row.

#include "engine/updates/UpdateChecker.h"
#include "platform/ThreadPool.h"

#include "platform/PropertyList.h"

#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

namespace tw {

// ---- One row's check in flight ---------------------------------------------------

UpdateCheck::UpdateCheck(Done done)
    : m_context(std::make_unique<QObject>())
    , m_done(std::move(done))
{
}

UpdateCheck::~UpdateCheck()
{
    cancel();
    // The file read reaches the platform, which may not outlive this check.
    m_fileRead.waitForFinished();
}

void UpdateCheck::cancel()
{
    m_done = nullptr;
    if (auto call = std::move(m_call))
        call->abort();
}

template <typename T, typename Work, typename Then>
void UpdateCheck::onPool(Work work, Then then, bool readsFiles)
{
    if (ended())
        return;
    auto* watcher = new QFutureWatcher<T>(m_context.get());
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [this, watcher, then = std::move(then)] {
        const T result = watcher->result();
        watcher->deleteLater();
        if (!ended())
            then(result);
    });
    QFuture<T> future = QtConcurrent::run(&enginePool(), std::move(work));
    if (readsFiles)
        m_fileRead = QFuture<void>(future);
    watcher->setFuture(future);
}

void UpdateCheck::fetch(HttpClient& http, const QUrl& url, std::chrono::milliseconds timeout,
                        std::function<UpdateAvailability(const HttpResponse&)> read)
{
    if (ended())
        return;
    m_call = http.get(url, timeout, kUpdateUserAgent, [this, read = std::move(read)](const HttpResponse& response) {
        onPool<UpdateAvailability>([response, read] { return read(response); },
                                   [this](const UpdateAvailability& result) { finish(result); }, false);
    });
}

void UpdateCheck::finish(const UpdateAvailability& result)
{
    if (ended())
        return;
    m_call.reset();
    const Done done = std::exchange(m_done, nullptr);
    done(result);
}

void UpdateCheck::finishLater(const UpdateAvailability& result)
{
    QMetaObject::invokeMethod(m_context.get(), [this, result] { finish(result); }, Qt::QueuedConnection);
}

// ---- Versions --------------------------------------------------------------------

namespace {

QString cutAtSpace(QString text)
{
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space >= 0)
        text.truncate(space);
    return text;
}

} // namespace

std::optional<QUrl> UpdateChecker::strictURL(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::vector<qint64> UpdateChecker::versionParts(const QString& text)
{
    const QString s = cutAtSpace(text.trimmed());
    std::vector<qint64> parts;
    QString piece;
    auto flush = [&] {
        bool ok = false;
        const qint64 value = piece.toLongLong(&ok);
        if (ok)
            parts.push_back(value);
        piece.clear();
    };
    for (const QChar c : std::as_const(s)) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            piece += c;
        else if (u == u'.' || u == u'_' || u == u'-')
            flush();
        // Every other character is dropped, so "1.2b3" reads as 1 and 23.
    }
    flush();
    return parts;
}

bool UpdateChecker::isVersion(const QString& version, const QString& newerThan)
{
    const std::vector<qint64> a = versionParts(version);
    const std::vector<qint64> b = versionParts(newerThan);
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qint64 x = i < a.size() ? a[i] : 0;
        const qint64 y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

// ---- Update feed -------------------------------------------------------------------

std::optional<QUrl> UpdateChecker::sparkleFeedURL(const Platform& p, const QString& bundle)
{
    const auto info = plist::readDictionary(p.fs(), bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return std::nullopt;
    std::optional<QString> s = plist::string(*info, QStringLiteral("SUFeedURL"));
    if (!s)
        s = plist::string(*info, QStringLiteral("SUFeedUrl"));
    return s ? strictURL(*s) : std::nullopt;
}

UpdateAvailability UpdateChecker::sparkleResult(const HttpResponse& response, const QString& installedVersion)
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
    if (!isVersion(*info.version, installedVersion))
        return UpdateAvailability::upToDate();
    return UpdateAvailability::updateAvailable(cutAtSpace(*info.version), info.downloadURL);
}

std::unique_ptr<UpdateCheck> UpdateChecker::checkSparkle(const Platform& p, const AppUpdateItem& item,
                                                         const UpdateRequestOptions& options, UpdateCheck::Done done)
{
    auto check = std::make_unique<UpdateCheck>(std::move(done));
    UpdateCheck* c = check.get();
    // The feed address is read again at every check.
    c->onPool<std::optional<QUrl>>(
        [&p, bundle = item.appPath] { return sparkleFeedURL(p, bundle); },
        [c, &p, installed = item.installedVersion, timeout = options.timeout](const std::optional<QUrl>& feed) {
            if (!feed)
                return c->finish(UpdateAvailability::launchToUpdate());
            c->fetch(p.http(), *feed, timeout, [installed](const HttpResponse& r) { return sparkleResult(r, installed); });
        },
        true);
    return check;
}

// ---- App Store lookup -----------------------------------------------------------------

std::optional<QUrl> UpdateChecker::appStoreLookupURL(const QUrl& base, const QString& bundleId)
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

UpdateAvailability UpdateChecker::appStoreResult(const HttpResponse& response, const QString& installedVersion)
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
    if (isVersion(version, installedVersion))
        return UpdateAvailability::appStoreUpdate(version, trackId);
    return UpdateAvailability::upToDate();
}

std::unique_ptr<UpdateCheck> UpdateChecker::checkAppStore(const Platform& p, const AppUpdateItem& item,
                                                          const UpdateRequestOptions& options, UpdateCheck::Done done)
{
    auto check = std::make_unique<UpdateCheck>(std::move(done));
    if (const std::optional<QUrl> url = appStoreLookupURL(options.lookupBase, item.bundleIdentifier))
        check->fetch(p.http(), *url, options.timeout,
                     [installed = item.installedVersion](const HttpResponse& r) { return appStoreResult(r, installed); });
    else
        check->finishLater(UpdateAvailability::launchToUpdate());
    return check;
}

} // namespace tw
