#pragma once

#include "platform/Platform.h"
#include "support/MacTree.h"

#include <QHash>
#include <QMutex>

#include <functional>
#include <map>
#include <vector>

namespace tw::test {

struct FakeSpotlight final : Spotlight {
    std::map<std::pair<QString, QString>, QByteArray> answers;  // (folder, query) -> output
    std::vector<std::pair<QString, QString>> calls;
    QMutex mutex;
    Result<QByteArray> find(const QString& folder, const QString& query) override;
};

struct FakeMetadata final : MetadataIndex {
    QHash<QString, QDateTime> lastUsed;
    QMutex mutex;
    std::optional<QDateTime> lastUsedDate(const QString& path) override;
};

// The threads on which the fakes were asked to change the system: a move
// into the Trash, an administrator's move, quitting an application, the
// pause after it, launchctl, a login item added or removed.
struct ActingThreads {
    QMutex mutex;
    QList<QThread*> threads;
    void note();
    // How many of the changes ran on thread, and in all.
    qsizetype on(QThread* thread);
    qsizetype count();
};

// The real rename into the Trash, unless fail answers for a path. A hold, when
// set, runs first on the moving thread (a gate: ScanGates.h's TrashGate).
struct FakeTrash final : TrashMover {
    explicit FakeTrash(TrashMover& real) : real(real) {}
    TrashMover& real;
    std::function<std::optional<Error>(const QString& path)> fail;
    std::function<void()> hold;
    QStringList calls;
    QMutex mutex;
    ActingThreads* acting = nullptr;
    Status trashItem(const QString& path) override;
};

struct FakeAdmin final : AdminRunner {
    struct Call {
        QString trash, source, destination;
    };
    explicit FakeAdmin(const FileSystem& fs) : fs(fs) {}
    const FileSystem& fs;
    std::vector<Call> calls;
    Status result;            // returned when performMove is false or the move is done
    bool performMove = true;  // do the move as the administrator would
    std::function<void()> asking;  // runs while the administrator is asked
    ActingThreads* acting = nullptr;
    Status moveIntoTrash(const QString& trash, const QString& source, const QString& destination) override;
};

struct FakeRunningApps final : RunningApps {
    std::vector<RunningApp> apps;
    std::vector<qint64> terminated;
    ActingThreads* acting = nullptr;
    std::vector<RunningApp> list() override { return apps; }
    void terminate(const RunningApp& app) override;
};

struct FakeLaunchd final : Launchd {
    std::vector<QStringList> calls;
    std::function<Result<ProcessOutput>(const QStringList&)> answer;  // default: not started
    unsigned uid = 501;
    QMutex mutex;
    ActingThreads* acting = nullptr;
    Result<ProcessOutput> launchctl(const QStringList& arguments) override;
    unsigned userId() const override { return uid; }
};

// A hold, when set, runs first in list() on the listing thread (a gate:
// ScanGates.h's StartupListingGate).
struct FakeLoginItems final : LoginItems {
    Result<QString> listResult = Error::unavailable();
    std::function<void()> hold;
    Status addResult;
    Status removeResult;
    QStringList added;
    std::vector<std::pair<QString, QString>> removed;
    QMutex mutex;
    ActingThreads* acting = nullptr;
    Result<QString> list() override;
    Status add(const QString& path) override;
    Status remove(const QString& name, const QString& path) override;
};

struct FakeWorkspace final : Workspace {
    std::vector<QUrl> openedUrls;
    QStringList openedPaths;
    QStringList revealed;
    QHash<QString, QString> applications;  // bundle identifier -> path
    QMutex mutex;
    void open(const QUrl& url) override;
    void openPath(const QString& path) override;
    void reveal(const QString& path) override;
    std::optional<QString> applicationPath(const QString& bundleId) override;
};

struct MemorySettings final : Settings {
    QVariantMap values;
    mutable QMutex mutex;
    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
};

struct FakeLocale final : SystemLocale {
    QStringList languages{QStringLiteral("en-US")};
    QStringList preferredLanguages() const override { return languages; }
};

// A fixed clock; sleep only records how long it was asked to wait.
struct FakeClock final : Clock {
    QDateTime current = QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    std::chrono::nanoseconds steady = std::chrono::hours(1);
    std::vector<std::chrono::milliseconds> sleeps;
    ActingThreads* acting = nullptr;
    QDateTime now() const override { return current; }
    std::chrono::nanoseconds monotonic() const override { return steady; }
    void sleep(std::chrono::milliseconds d) override;
};

// A Mac-shaped temporary tree with fakes for every service. The privacy
// store and the HTTP client are the real ones; the Trash is the real rename
// unless a test makes it fail.
class FakePlatform {
public:
    explicit FakePlatform(const QString& login = QStringLiteral("tester"));
    ~FakePlatform();

    const Platform& platform() const { return *m_platform; }
    operator const Platform&() const { return *m_platform; }
    MacTree& tree() { return m_tree; }
    const FileSystem& fs() const { return m_tree.fs(); }

    FakeSpotlight spotlight;
    FakeMetadata metadata;
    std::unique_ptr<PrivacyStore> privacy;
    std::unique_ptr<TrashMover> realTrash;
    std::unique_ptr<FakeTrash> trash;
    std::unique_ptr<FakeAdmin> admin;
    FakeRunningApps runningApps;
    FakeLaunchd launchd;
    FakeLoginItems loginItems;
    FakeWorkspace workspace;
    std::unique_ptr<HttpClient> http;
    MemorySettings settings;
    FakeLocale locale;
    FakeClock clock;
    ActingThreads acting;

private:
    MacTree m_tree;
    std::unique_ptr<Platform> m_platform;
};

} // namespace tw::test
