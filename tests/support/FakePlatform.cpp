#include "support/FakePlatform.h"

#include "platform/HostServices.h"
#include "platform/ThreadPool.h"

#include <QThread>
#include <QThreadPool>

namespace tw::test {

Result<QByteArray> FakeSpotlight::find(const QString& folder, const QString& query)
{
    QMutexLocker lock(&mutex);
    calls.emplace_back(folder, query);
    const auto it = answers.find({folder, query});
    if (it == answers.end())
        return QByteArray();
    return it->second;
}

std::optional<QDateTime> FakeMetadata::lastUsedDate(const QString& path)
{
    QMutexLocker lock(&mutex);
    const auto it = lastUsed.constFind(path);
    return it == lastUsed.cend() ? std::nullopt : std::optional<QDateTime>(*it);
}

void ActingThreads::note()
{
    QMutexLocker lock(&mutex);
    threads << QThread::currentThread();
}

qsizetype ActingThreads::on(QThread* thread)
{
    QMutexLocker lock(&mutex);
    return threads.count(thread);
}

qsizetype ActingThreads::count()
{
    QMutexLocker lock(&mutex);
    return threads.size();
}

Status FakeTrash::trashItem(const QString& path)
{
    std::function<void()> held;
    {
        QMutexLocker lock(&mutex);
        calls << path;
        held = hold;
    }
    if (acting)
        acting->note();
    if (held)
        held();
    if (fail)
        if (auto error = fail(path))
            return *error;
    return real.trashItem(path);
}

void FakeRunningApps::terminate(const RunningApp& app)
{
    if (acting)
        acting->note();
    terminated.push_back(app.pid);
}

void FakeClock::sleep(std::chrono::milliseconds d)
{
    if (acting)
        acting->note();
    sleeps.push_back(d);
}

Status FakeAdmin::moveIntoTrash(const QString& trash, const QString& source, const QString& destination)
{
    if (acting)
        acting->note();
    calls.push_back({trash, source, destination});
    if (asking)
        asking();
    // Like the real command, a move that does not happen may still be
    // reported as done: the engine looks whether the item is gone.
    if (performMove && result && fs.makeDirectories(trash))
        (void)fs.rename(source, destination);
    return result;
}

Result<ProcessOutput> FakeLaunchd::launchctl(const QStringList& arguments)
{
    if (acting && arguments.value(0) != QLatin1String("list"))
        acting->note();
    QMutexLocker lock(&mutex);
    calls.push_back(arguments);
    return answer ? answer(arguments) : Result<ProcessOutput>(Error::unavailable());
}

Result<QString> FakeLoginItems::list()
{
    std::function<void()> held;
    {
        QMutexLocker lock(&mutex);
        held = hold;
    }
    if (held)
        held();
    QMutexLocker lock(&mutex);
    return listResult;
}

Status FakeLoginItems::add(const QString& path)
{
    if (acting)
        acting->note();
    QMutexLocker lock(&mutex);
    added << path;
    return addResult;
}

Status FakeLoginItems::remove(const QString& name, const QString& path)
{
    if (acting)
        acting->note();
    QMutexLocker lock(&mutex);
    removed.emplace_back(name, path);
    return removeResult;
}

void FakeWorkspace::open(const QUrl& url)
{
    QMutexLocker lock(&mutex);
    openedUrls.push_back(url);
}

void FakeWorkspace::openPath(const QString& path)
{
    QMutexLocker lock(&mutex);
    openedPaths << path;
}

void FakeWorkspace::reveal(const QString& path)
{
    QMutexLocker lock(&mutex);
    revealed << path;
}

std::optional<QString> FakeWorkspace::applicationPath(const QString& bundleId)
{
    QMutexLocker lock(&mutex);
    const auto it = applications.constFind(bundleId);
    return it == applications.cend() ? std::nullopt : std::optional<QString>(*it);
}

QVariant MemorySettings::value(const QString& key) const
{
    QMutexLocker lock(&mutex);
    return values.value(key);
}

void MemorySettings::setValue(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&mutex);
    values.insert(key, value);
}

FakePlatform::FakePlatform(const QString& login)
    : m_tree(login)
{
    privacy = host::makePrivacyStore(m_tree.fs());
    realTrash = host::makeTrashMover(m_tree.fs());
    trash = std::make_unique<FakeTrash>(*realTrash);
    admin = std::make_unique<FakeAdmin>(m_tree.fs());
    http = host::makeHttpClient();
    Platform::Parts p;
    p.fs = &m_tree.fs();
    p.spotlight = &spotlight;
    p.metadata = &metadata;
    p.privacy = privacy.get();
    p.trash = trash.get();
    p.admin = admin.get();
    p.runningApps = &runningApps;
    p.launchd = &launchd;
    p.loginItems = &loginItems;
    p.workspace = &workspace;
    p.http = http.get();
    p.settings = &settings;
    p.locale = &locale;
    p.clock = &clock;
    m_platform = std::make_unique<Platform>(p);
    trash->acting = admin->acting = runningApps.acting = launchd.acting = loginItems.acting = clock.acting = &acting;
}

FakePlatform::~FakePlatform()
{
    // Background work of engines under test must not outlive the fakes.
    tw::waitForEnginePool();
}

} // namespace tw::test
