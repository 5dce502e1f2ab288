#include "platform/HostHardware.h"
#include "platform/HostServices.h"
#include "platform/MainAppService.h"
#include "platform/Platform.h"
#include "platform/ProcReaders.h"
#include "platform/ProductArt.h"
#include "platform/StatusItem.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMutex>
#include <QSettings>
#include <QThread>

#include <mutex>

#include <unistd.h>

namespace tw {

struct HostPlatform::Impl {
    std::unique_ptr<Spotlight> spotlight = host::makeSpotlight();
    std::unique_ptr<MetadataIndex> metadata = host::makeMetadataIndex();
    std::unique_ptr<PrivacyStore> privacy;
    std::unique_ptr<TrashMover> trash;
    std::unique_ptr<AdminRunner> admin;
    std::unique_ptr<RunningApps> runningApps;
    std::unique_ptr<Launchd> launchd = host::makeLaunchd();
    std::unique_ptr<LoginItems> loginItems = host::makeLoginItems();
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<HttpClient> http = host::makeHttpClient();
    std::unique_ptr<Settings> settings = host::makeSettings();
    std::unique_ptr<SystemLocale> locale = host::makeSystemLocale();
    std::unique_ptr<Clock> clock = host::makeClock();

    // The machine itself, whatever root the file system maps.
    LinuxProcReaders procReaders;
    std::unique_ptr<HostHardware> hardware = host::makeHostHardware();
    std::unique_ptr<ProfilerRunner> profiler = host::makeProfilerRunner();
    std::once_flag diagonalRead;
    std::optional<double> diagonal;
    std::shared_ptr<ProductArt> productArt = host::makeDrawnProductArt();
    std::shared_ptr<DesktopPictureSource> desktopPictures;
    std::unique_ptr<MainAppService> autostart;
    std::unique_ptr<StatusArea> statusArea;
};

HostPlatform::HostPlatform(FileSystem fs)
    : m_fs(std::move(fs))
    , d(std::make_unique<Impl>())
{
    d->privacy = host::makePrivacyStore(m_fs);
    d->trash = host::makeTrashMover(m_fs);
    d->admin = host::makeAdminRunner(m_fs);
    d->runningApps = host::makeRunningApps(m_fs);
    d->workspace = host::makeWorkspace(m_fs);
    d->desktopPictures = host::makeDesktopPictureSource(m_fs);
    Platform::Parts p;
    p.fs = &m_fs;
    p.spotlight = d->spotlight.get();
    p.metadata = d->metadata.get();
    p.privacy = d->privacy.get();
    p.trash = d->trash.get();
    p.admin = d->admin.get();
    p.runningApps = d->runningApps.get();
    p.launchd = d->launchd.get();
    p.loginItems = d->loginItems.get();
    p.workspace = d->workspace.get();
    p.http = d->http.get();
    p.settings = d->settings.get();
    p.locale = d->locale.get();
    p.clock = d->clock.get();
    m_platform = std::make_unique<Platform>(p);
}

HostPlatform::~HostPlatform() = default;

ProcReaders& HostPlatform::procReaders() const { return d->procReaders; }
HostHardware& HostPlatform::hardware() const { return *d->hardware; }
ProfilerRunner& HostPlatform::profiler() const { return *d->profiler; }
std::shared_ptr<ProductArt> HostPlatform::productArt() const { return d->productArt; }
std::shared_ptr<DesktopPictureSource> HostPlatform::desktopPictures() const { return d->desktopPictures; }

std::optional<double> HostPlatform::builtInDisplayDiagonal() const
{
    std::call_once(d->diagonalRead, [this] { d->diagonal = host::builtInDisplayDiagonalInches(); });
    return d->diagonal;
}

MainAppService& HostPlatform::autostart()
{
    if (!d->autostart)
        d->autostart = host::makeAutostartService(
            m_fs,
            {QGuiApplication::desktopFileName(), QGuiApplication::applicationDisplayName(),
             QCoreApplication::applicationFilePath()},
            qEnvironmentVariable("XDG_CONFIG_HOME"));
    return *d->autostart;
}

StatusArea& HostPlatform::statusArea()
{
    if (!d->statusArea)
        d->statusArea = host::makeStatusArea();
    return *d->statusArea;
}

bool readStoredBool(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toLongLong() != 0;
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble() != 0.0;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("yes") || s == QLatin1String("true") || s == QLatin1String("1");
    }
    default:
        return false;
    }
}

std::optional<QString> Settings::stringValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

namespace host {

namespace {

// Spotlight and the metadata index do not exist here.
struct NoSpotlight final : Spotlight {
    Result<QByteArray> find(const QString&, const QString&) override { return Error::unavailable(); }
};
struct NoMetadata final : MetadataIndex {
    std::optional<QDateTime> lastUsedDate(const QString&) override { return std::nullopt; }
};
// Neither launchd nor the login-item service exists here.
struct NoLaunchd final : Launchd {
    Result<ProcessOutput> launchctl(const QStringList&) override { return Error::unavailable(); }
    unsigned userId() const override { return unsigned(::getuid()); }
};
struct NoLoginItems final : LoginItems {
    Result<QString> list() override { return Error::unavailable(); }
    Status add(const QString&) override { return Error::unavailable(); }
    Status remove(const QString&, const QString&) override { return Error::unavailable(); }
};

class QtSettings final : public Settings {
public:
    QVariant value(const QString& key) const override
    {
        QMutexLocker lock(&m_mutex);
        return m_settings.value(key);
    }
    void setValue(const QString& key, const QVariant& value) override
    {
        QMutexLocker lock(&m_mutex);
        m_settings.setValue(key, value);
    }

private:
    mutable QMutex m_mutex;
    mutable QSettings m_settings{QStringLiteral("Marrowind"), QStringLiteral("Tidewell")};
};

struct QtLocale final : SystemLocale {
    QStringList preferredLanguages() const override { return QLocale::system().uiLanguages(); }
};

struct SystemClock final : Clock {
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    std::chrono::nanoseconds monotonic() const override { return std::chrono::steady_clock::now().time_since_epoch(); }
    void sleep(std::chrono::milliseconds d) override { QThread::msleep(static_cast<unsigned long>(d.count())); }
};

} // namespace

std::unique_ptr<Spotlight> makeSpotlight() { return std::make_unique<NoSpotlight>(); }
std::unique_ptr<MetadataIndex> makeMetadataIndex() { return std::make_unique<NoMetadata>(); }
std::unique_ptr<Launchd> makeLaunchd() { return std::make_unique<NoLaunchd>(); }
std::unique_ptr<LoginItems> makeLoginItems() { return std::make_unique<NoLoginItems>(); }
std::unique_ptr<Settings> makeSettings() { return std::make_unique<QtSettings>(); }
std::unique_ptr<SystemLocale> makeSystemLocale() { return std::make_unique<QtLocale>(); }
std::unique_ptr<Clock> makeClock() { return std::make_unique<SystemClock>(); }

} // namespace host
} // namespace tw
