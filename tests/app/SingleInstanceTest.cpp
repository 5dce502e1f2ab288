#include "app/SingleInstance.h"
#include "platform/LocalListener.h"
#include "platform/PrivateFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMetaObject>
#include <QProcess>
#include <QSemaphore>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>
#include <utility>

using namespace tw;

namespace {



constexpr int kDeadlineMs = 20'000;
// Another account's ids (nobody's).
constexpr uid_t kStranger = 65534;

QString uniqueName()
{
    return QStringLiteral("tidewell-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// A socket file nobody listens on, as a crashed copy leaves it.
void leaveStaleSocket(const QString& name)
{
    const QByteArray path = QFile::encodeName(SingleInstanceGuard(name).socketPath());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));
}

// A later launch on a thread of its own, as another process would run it.
struct Launch {
    SingleInstanceGuard guard;
    std::atomic<int> result{-1};  // 1: became the running copy, 0: handed over
    std::thread thread;

    explicit Launch(const QString& name, std::vector<SingleInstanceGuard::Folder> folders = SingleInstanceGuard::defaultFolders())
        : guard(name, std::move(folders))
    {
        thread = std::thread([this] { result = guard.tryBecomePrimary() ? 1 : 0; });
    }
    ~Launch()
    {
        if (thread.joinable())
            thread.join();
    }
    bool finished() const { return result.load() >= 0; }
};

// A later launch finds the running copy, asks it forward once and ends.
void expectHandedOver(SingleInstanceGuard& first, const QString& name,
                      std::vector<SingleInstanceGuard::Folder> folders = SingleInstanceGuard::defaultFolders())
{
    int reopens = 0;
    QObject counting;  // the count goes with this call
    QObject::connect(&first, &SingleInstanceGuard::reopenRequested, &counting, [&] { ++reopens; });
    Launch second(name, std::move(folders));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished() && reopens == 1; }, kDeadlineMs));
    EXPECT_EQ(second.result.load(), 0);
}

// XDG_RUNTIME_DIR as a test sets it, put back afterwards.
class RuntimeFolder {
public:
    RuntimeFolder() : m_had(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")), m_was(qgetenv("XDG_RUNTIME_DIR")) {}
    ~RuntimeFolder()
    {
        if (m_had)
            qputenv("XDG_RUNTIME_DIR", m_was);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    void set(const QByteArray& value) { qputenv("XDG_RUNTIME_DIR", value); }

private:
    bool m_had;
    QByteArray m_was;
};

// The per-user folder in the temporary folder, where the lock goes without a runtime folder.
QString fallbackFolder()
{
    return QDir::tempPath() + QStringLiteral("/tidewell-runtime-%1").arg(::geteuid());
}

// Hands a file or folder to another account, as only root can; false elsewhere.
bool giveAway(const QString& path)
{
    return ::geteuid() == 0 && ::lchown(QFile::encodeName(path).constData(), kStranger, kStranger) == 0;
}

// A folder made private (0700) in a temporary one.
QString privateFolder(const QTemporaryDir& parent, const QString& name)
{
    const QString path = parent.filePath(name);
    EXPECT_TRUE(QDir().mkpath(path));
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), 0700), 0);
    return path;
}

// Once launch has checked base/runtime, another folder takes its name
// (the one checked goes to base/checked); true once that happened.
std::shared_ptr<bool> swapRuntimeWhenChecked(SingleInstanceGuard& launch, const QTemporaryDir& base)
{
    auto swapped = std::make_shared<bool>(false);
    launch.setFolderChecked([swapped, &base] {
        if (!std::exchange(*swapped, true)) {
            ASSERT_TRUE(QDir(base.path()).rename("runtime", "checked"));
            privateFolder(base, "runtime");
        }
    });
    return swapped;
}

// The entries of a folder, hidden ones too.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Whether the process has a handler of its own for the signal, as its status says.
bool catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

// Every descriptor the process may still make is taken, under a limit just
// above those it has (poll() takes no more than the limit); all given back
// at the end.
class OutOfDescriptors {
public:
    OutOfDescriptors()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_was);
        int highest = 0;
        for (const QString& fd : entries(QStringLiteral("/proc/self/fd")))
            highest = std::max(highest, fd.toInt());
        const rlimit low{rlim_t(highest) + 1, m_was.rlim_max};
        ::setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_held.push_back(fd);
    }
    ~OutOfDescriptors()
    {
        for (const int fd : m_held)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &m_was);
    }

private:
    rlimit m_was{};
    std::vector<int> m_held;
};

} // namespace

TEST(SingleInstance, ABusyCopyIsWaitedForAndAnswers)
{
    const QString name = uniqueName();
    // The running copy on a thread whose event loop the test holds up.
    QThread gui;
    gui.start();
    auto* first = new SingleInstanceGuard(name);
    first->moveToThread(&gui);
    bool primary = false;
    QMetaObject::invokeMethod(first, [&] { primary = first->tryBecomePrimary(); }, Qt::BlockingQueuedConnection);
    ASSERT_TRUE(primary);
    std::atomic<int> reopens{0};
    QObject::connect(first, &SingleInstanceGuard::reopenRequested, first, [&] { ++reopens; }, Qt::DirectConnection);
    QSemaphore busy, release;
    QMetaObject::invokeMethod(first, [&] {
        busy.release();
        release.acquire();
    });
    busy.acquire();

    {
        Launch second(name);
        // It reached the busy copy and waits for its word, without giving up or running itself.
        ASSERT_TRUE(QTest::qWaitFor([&] { return second.guard.isWaitingForAnswer() || second.finished(); }, kDeadlineMs));
        EXPECT_FALSE(second.finished());
        EXPECT_EQ(reopens.load(), 0);
        release.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished(); }, kDeadlineMs));
        EXPECT_EQ(second.result.load(), 0);
        EXPECT_FALSE(second.guard.isPrimary());
        EXPECT_EQ(reopens.load(), 1);
    }

    QMetaObject::invokeMethod(first, [first] { delete first; }, Qt::BlockingQueuedConnection);
    gui.quit();
    gui.wait();
}

TEST(SingleInstance, ACopyStillStartingIsWaitedForPastItsStaleSocket)
{
    const QString name = uniqueName();
    leaveStaleSocket(name);
    SingleInstanceGuard first(name);
    // It holds the lock but does not listen yet; the socket file is a crashed copy's.
    ASSERT_TRUE(first.claim());
    int reopens = 0;
    QObject::connect(&first, &SingleInstanceGuard::reopenRequested, [&] { ++reopens; });

    Launch second(name);
    // The later launch keeps trying: it neither removes the file nor runs itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.guard.attempts() >= 2 || second.finished(); }, kDeadlineMs));
    EXPECT_FALSE(second.finished());

    first.listen();
    EXPECT_TRUE(first.isPrimary());
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.finished() && reopens == 1; }, kDeadlineMs));
    EXPECT_EQ(second.result.load(), 0);
    EXPECT_FALSE(second.guard.isPrimary());
    EXPECT_EQ(reopens, 1);
}

TEST(SingleInstance, OnlyTheLockDecidesWhoRuns)
{
    const QString name = uniqueName();
    // A stale socket with no copy holding the lock: the launch runs and listens there.
    leaveStaleSocket(name);
    {
        SingleInstanceGuard first(name);
        ASSERT_TRUE(first.tryBecomePrimary());
        ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name));
    }

    // A copy that holds the lock and never listens is left alone: the launch
    // gives up after its patience without running a second program.
    SingleInstanceGuard stuck(name);
    ASSERT_TRUE(stuck.claim());
    SingleInstanceGuard later(name);
    later.setPatience(300);
    EXPECT_FALSE(later.tryBecomePrimary());
    EXPECT_FALSE(later.isPrimary());
    EXPECT_GE(later.attempts(), 1);
}

TEST(SingleInstance, ALockNamingThisVeryProcessIsTakenOverAtOnce)
{
    // Pid 1 of each new PID namespace: a copy that crashed as pid 1 left a
    // lock naming pid 1, which is now this launch's own.
    const QString name = uniqueName();
    const QString lockPath = SingleInstanceGuard(name).lockPath();
    QByteArray left;
    {
        QLockFile lock(lockPath);
        ASSERT_TRUE(lock.tryLock(0));
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        left = file.readAll();
    }
    {
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(left);
    }
    qint64 owner = 0;
    ASSERT_TRUE(QLockFile(lockPath).getLockInfo(&owner, nullptr, nullptr));
    ASSERT_EQ(owner, QCoreApplication::applicationPid());

    SingleInstanceGuard launch(name);
    launch.setPatience(300);
    EXPECT_TRUE(launch.tryBecomePrimary());
    EXPECT_EQ(launch.attempts(), 0);  // it never waited for a copy
    EXPECT_TRUE(QFile::exists(launch.socketPath()));

    // A lock naming our pid that is held, as by a live copy in another PID
    // namespace that shares the folder, is not taken.
    SingleInstanceGuard other(name);
    EXPECT_FALSE(other.claim());
    EXPECT_FALSE(other.isPrimary());
}

TEST(SingleInstance, LivesInTheUsersRuntimeFolderWhenOnlyTheUserMayEnterIt)
{
    RuntimeFolder env;
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    env.set(QFile::encodeName(runtime.path()));
    EXPECT_TRUE(SingleInstanceGuard::defaultName().startsWith("tidewell-"));

    const QString name = uniqueName();
    {
        SingleInstanceGuard first(name);
        EXPECT_EQ(first.socketPath(), runtime.filePath(name));
        EXPECT_EQ(first.lockPath(), runtime.filePath(name) + ".lock");
        ASSERT_TRUE(first.tryBecomePrimary());
        EXPECT_EQ(entries(runtime.path()), (QStringList{name, name + ".lock"}));
        EXPECT_FALSE(QFile::exists(fallbackFolder() + '/' + name));
        // A later launch of the same user finds it there.
        ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name));
    }
    EXPECT_EQ(entries(runtime.path()), QStringList());

    // Anything else is no runtime folder: the user's own folder in the temporary folder serves.
    QTemporaryDir open;
    ASSERT_TRUE(open.isValid());
    const QByteArray openPath = QFile::encodeName(open.path());
    const QString link = runtime.filePath("link");
    ASSERT_TRUE(QFile::link(runtime.path(), link));
    const std::pair<QByteArray, mode_t> refused[] = {
        {openPath, 0755}, {openPath, 0777}, {openPath, 0710}, {"relative/folder", 0},
        {openPath + "/missing", 0}, {"", 0}, {QFile::encodeName(link), 0},
    };
    for (const auto& [folder, mode] : refused) {
        if (mode) {
            ASSERT_EQ(::chmod(openPath.constData(), mode), 0);
        }
        env.set(folder);
        EXPECT_EQ(SingleInstanceGuard(name).socketPath(), fallbackFolder() + '/' + name) << folder.constData() << " " << mode;
    }
    EXPECT_FALSE(QFile::exists(open.filePath("missing")));
    // A file is no folder either.
    QFile file(runtime.filePath("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ::chmod(QFile::encodeName(file.fileName()).constData(), 0600);
    env.set(QFile::encodeName(file.fileName()));
    EXPECT_EQ(SingleInstanceGuard(name).socketPath(), fallbackFolder() + '/' + name);

    // Nor is a folder of another account's, even one that only its owner may enter.
    ASSERT_EQ(::chmod(openPath.constData(), 0700), 0);
    if (!giveAway(open.path()))
        GTEST_SKIP() << "cannot give a folder to another account here";
    env.set(openPath);
    SingleInstanceGuard launch(name);
    EXPECT_EQ(launch.socketPath(), fallbackFolder() + '/' + name);
    ASSERT_TRUE(launch.tryBecomePrimary());
    EXPECT_EQ(entries(open.path()), QStringList());
}

TEST(SingleInstance, AFolderThatCannotServeIsPassedOverForTheNext)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString good = privateFolder(base, "good");
    const QString name = uniqueName();
    // Each prepares a folder before the good one; an empty path: not here.
    const std::pair<const char*, std::function<QString()>> cases[] = {
        {"others may enter", [&] {
             const QString f = privateFolder(base, "shared");
             ::chmod(QFile::encodeName(f).constData(), 0750);
             return f;
         }},
        {"a link to a folder of ours", [&] {
             const QString f = base.filePath("linked");
             QFile::link(privateFolder(base, "target"), f);
             return f;
         }},
        // Ours, private, and no one, root neither, may make anything in it.
        {"read-only", [] {
             const QString f = QStringLiteral("/proc/%1/fd").arg(::getpid());
             return privatefolder::isPrivate(f) ? f : QString();
         }},
        {"the lock's name is no file", [&] {
             const QString f = privateFolder(base, "lock-taken");
             QDir().mkpath(f + '/' + name + ".lock");
             return f;
         }},
        {"the socket's name is no socket", [&] {
             const QString f = privateFolder(base, "socket-taken");
             QFile file(f + '/' + name);
             return file.open(QIODevice::WriteOnly) ? f : QString();
         }},
        {"another account's", [&] {
             const QString f = privateFolder(base, "foreign");
             return giveAway(f) ? f : QString();
         }},
    };
    for (const auto& [what, prepare] : cases) {
        SCOPED_TRACE(what);
        const QString unfit = prepare();
        if (unfit.isEmpty()) {
            std::cerr << "not checked here: " << what << '\n';
            continue;
        }
        const QStringList before = entries(unfit).filter(name);
        const std::vector<SingleInstanceGuard::Folder> folders = {{unfit, true}, {good, false}};
        SingleInstanceGuard first(name, folders);
        first.setPatience(3'000);
        ASSERT_TRUE(first.tryBecomePrimary());
        EXPECT_EQ(first.attempts(), 0);
        EXPECT_EQ(first.socketPath(), good + '/' + name);
        EXPECT_TRUE(QFile::exists(good + '/' + name + ".lock"));
        EXPECT_EQ(entries(unfit).filter(name), before);
        // A later launch walks the same way to it.
        ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name, folders));
    }
}

TEST(SingleInstance, ASocketPathOfAnyLengthServes)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString name = uniqueName();
    // Far beyond what a socket's address holds (108 bytes): it is reached through the folder's descriptor.
    const QString longest = privateFolder(base, QString(200, u'x') + '/' + QString(200, u'y'));
    const QString good = privateFolder(base, "good");
    const std::vector<SingleInstanceGuard::Folder> folders = {{longest, false}, {good, false}};
    SingleInstanceGuard first(name, folders);
    ASSERT_TRUE(first.tryBecomePrimary());
    EXPECT_EQ(first.socketPath(), longest + '/' + name);
    EXPECT_TRUE(QFileInfo(first.socketPath()).exists());
    ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name, folders));
}

TEST(SingleInstance, AFolderSwappedAfterItsCheckIsNotTheOneUsed)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString folder = privateFolder(base, "runtime"), name = uniqueName();
    SingleInstanceGuard launch(name, {{folder, false}});
    // Another folder takes its name between the check and the use.
    const auto swapped = swapRuntimeWhenChecked(launch, base);
    ASSERT_TRUE(launch.tryBecomePrimary());
    ASSERT_TRUE(*swapped);
    EXPECT_EQ(entries(folder), QStringList());
    EXPECT_EQ(entries(base.filePath("checked")), (QStringList{name, name + ".lock"}));
}

TEST(SingleInstance, WithoutProcTheSocketIsReachedByItsFoldersPath)
{
    // As in a mount namespace without /proc: the socket is bound and
    // reached by the folder's path, once it names the folder opened.
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString name = uniqueName();
    const QString longest = privateFolder(base, QString(120, u'x')), good = privateFolder(base, "good");
    const std::vector<SingleInstanceGuard::Folder> folders = {{longest, false}, {good, false}};
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings << text;
    });
    struct Restore {
        QtMessageHandler handler;
        ~Restore()
        {
            qInstallMessageHandler(handler);
            privatefolder::setDescriptorFolder("/proc/self/fd");
        }
    } restore{previous};
    privatefolder::setDescriptorFolder(QFile::encodeName(base.filePath("no-proc/self/fd")));

    {
        // A path too long for a socket's address is passed over, and /proc named as the reason.
        SingleInstanceGuard first(name, folders);
        ASSERT_TRUE(first.tryBecomePrimary());
        EXPECT_EQ(first.socketPath(), good + '/' + name);
        struct stat st;
        EXPECT_TRUE(::lstat(QFile::encodeName(first.socketPath()).constData(), &st) == 0 && S_ISSOCK(st.st_mode));
        ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name, folders));
        const QStringList said = warnings.filter("Cannot listen");
        ASSERT_FALSE(said.isEmpty());
        for (const QString& warning : said)
            EXPECT_TRUE(warning.contains(longest) && warning.contains("/proc")) << warning.toStdString();
    }
    EXPECT_EQ(entries(good), QStringList());

    // A folder put in the place of the one opened is never used.
    const QString runtime = privateFolder(base, "runtime");
    SingleInstanceGuard launch(name, {{runtime, false}});
    const auto swapped = swapRuntimeWhenChecked(launch, base);
    ASSERT_TRUE(launch.tryBecomePrimary());
    ASSERT_TRUE(*swapped);
    EXPECT_EQ(entries(runtime), QStringList());
    EXPECT_EQ(launch.socketPath(), QString());
}

TEST(SingleInstance, WithoutProcOneCopyRuns)
{
    // For real where the system lets a child make a mount namespace of its
    // own and take /proc out of it.
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString folder = privateFolder(base, "runtime"), name = uniqueName();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(60);
        struct stat st;
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::umount2("/proc", MNT_DETACH) != 0 || ::stat("/proc/self/fd", &st) == 0)
            ::_exit(77);
        SingleInstanceGuard first(name, {{folder, false}});
        if (!first.tryBecomePrimary() || first.socketPath() != folder + '/' + name)
            ::_exit(1);
        int reopens = 0;
        QObject::connect(&first, &SingleInstanceGuard::reopenRequested, [&] { ++reopens; });
        Launch second(name, {{folder, false}});
        const bool handedOver = QTest::qWaitFor([&] { return second.finished() && reopens == 1; }, kDeadlineMs);
        ::_exit(handedOver && second.result.load() == 0 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no mount namespace without /proc can be made here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SingleInstance, ACopyOutOfDescriptorsKeepsListeningAndSaysSoOnce)
{
    const QString name = uniqueName();
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.tryBecomePrimary());
    int reopens = 0;
    QObject::connect(&first, &SingleInstanceGuard::reopenRequested, [&] { ++reopens; });
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings << text;
    });
    struct Restore {
        QtMessageHandler handler;
        ~Restore() { qInstallMessageHandler(handler); }
    } restore{previous};

    // A launch connects while the copy cannot make a descriptor to take it with.
    const QByteArray path = QFile::encodeName(first.socketPath());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int early = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(early, 0);
    auto* notifier = first.findChild<QSocketNotifier*>();
    ASSERT_TRUE(notifier);
    // When the listener looked at its queue (ms).
    std::vector<qint64> looks;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(notifier, &QSocketNotifier::activated, [&] { looks.push_back(clock.elapsed()); });
    {
        OutOfDescriptors starved;
        ASSERT_EQ(::connect(early, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_TRUE(QTest::qWaitFor([] { return !warnings.isEmpty(); }, kDeadlineMs));
        // Between two looks it leaves the queue alone: it does not spin.
        ASSERT_TRUE(QTest::qWaitFor([&] { return looks.size() >= 4; }, kDeadlineMs));
        for (size_t k = 1; k < 4; ++k)
            EXPECT_GE(looks[k] - looks[k - 1], LocalListener::retryMs / 2) << k;
    }

    // Descriptors back, it is heard after all, and so is the next launch.
    ASSERT_EQ(::send(early, "reopen\n", 7, MSG_NOSIGNAL), 7);
    char answer[8] = {};
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::recv(early, answer, sizeof answer, MSG_DONTWAIT | MSG_PEEK) == 3; }, kDeadlineMs));
    EXPECT_STREQ(answer, "ok\n");
    EXPECT_EQ(reopens, 1);
    ::close(early);
    ASSERT_NO_FATAL_FAILURE(expectHandedOver(first, name));
    EXPECT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
}

TEST(SingleInstance, AFolderToMakeIsMadeWithTheFoldersMissingAboveIt)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString cache = base.filePath("home/.cache"), folder = cache + "/tidewell-runtime";
    const QString name = uniqueName();
    SingleInstanceGuard launch(name, {{folder, true}});
    ASSERT_TRUE(launch.tryBecomePrimary());
    EXPECT_EQ(launch.socketPath(), folder + '/' + name);
    for (const QString& made : {base.filePath("home"), cache, folder}) {
        struct stat st;
        ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &st), 0) << made.toStdString();
        EXPECT_EQ(st.st_mode & 07777, 0700) << made.toStdString();
    }
}

TEST(SingleInstance, ALockFileOfAnotherAccountIsNotWaitedFor)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString taken = privateFolder(base, "taken"), good = privateFolder(base, "good");
    const QString name = uniqueName();
    // Held, by a live process, and then another account's.
    QLockFile held(taken + '/' + name + ".lock");
    ASSERT_TRUE(held.tryLock(0));
    if (!giveAway(held.fileName()))
        GTEST_SKIP() << "cannot give a file to another account here";

    SingleInstanceGuard launch(name, {{taken, false}, {good, false}});
    launch.setPatience(3'000);
    EXPECT_TRUE(launch.tryBecomePrimary());
    EXPECT_EQ(launch.attempts(), 0);
    EXPECT_EQ(launch.socketPath(), good + '/' + name);
}

TEST(SingleInstance, AListenerOfAnotherAccountHearsNothingAndIsNotBelieved)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can listen as another account";
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString taken = privateFolder(base, "taken"), good = privateFolder(base, "good");
    const QString name = uniqueName();
    // A lock and a socket file of ours, as a copy of ours makes them; the
    // socket's listener runs as another account and answers "ok".
    QLockFile held(taken + '/' + name + ".lock");
    ASSERT_TRUE(held.tryLock(0));
    const QByteArray path = QFile::encodeName(taken + '/' + name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    int heard[2];
    ASSERT_EQ(::pipe2(heard, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // System calls only, in the child of a threaded process.
        ::alarm(30);
        if (::setresgid(kStranger, kStranger, kStranger) != 0 || ::setresuid(kStranger, kStranger, kStranger) != 0
            || ::listen(fd, 4) != 0)
            ::_exit(2);
        const int peer = ::accept(fd, nullptr, nullptr);
        char bytes[64];
        const ssize_t n = peer >= 0 ? ::read(peer, bytes, sizeof bytes) : -1;
        if (n > 0) {
            (void)!::write(heard[1], bytes, size_t(n));
            (void)!::write(peer, "ok\n", 3);
        }
        ::_exit(0);
    }
    ::close(fd);
    ::close(heard[1]);

    SingleInstanceGuard launch(name, {{taken, false}, {good, false}});
    launch.setPatience(3'000);
    EXPECT_TRUE(launch.tryBecomePrimary());
    EXPECT_EQ(launch.socketPath(), good + '/' + name);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    char bytes[64];
    EXPECT_EQ(::read(heard[0], bytes, sizeof bytes), 0);  // it heard nothing
    ::close(heard[0]);
}

TEST(SingleInstance, WithNoFolderToHoldTheLockItRunsAsTheOneCopyAndSaysSoOnce)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString shared = privateFolder(base, "shared");
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0755), 0);
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings << text;
    });
    SingleInstanceGuard launch(uniqueName(), {{shared, false}, {base.filePath("missing"), false}});
    launch.setPatience(3'000);
    EXPECT_EQ(launch.socketPath(), QString());
    EXPECT_TRUE(launch.tryBecomePrimary());
    EXPECT_TRUE(launch.isPrimary());
    EXPECT_TRUE(launch.claim());
    EXPECT_TRUE(launch.listen());
    qInstallMessageHandler(previous);
    EXPECT_EQ(launch.attempts(), 0);
    EXPECT_EQ(entries(shared), QStringList());
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains(shared)) << warnings[0].toStdString();
}

class Termination : public ::testing::TestWithParam<int> {};

TEST_P(Termination, QuitsTheProgramAsQuitDoesAndLeavesNothingBehind)
{
    const int signal = GetParam();
    // The program itself, over an empty Mac tree, with a runtime folder of its own.
    QTemporaryDir runtime, temporary, home, root;
    ASSERT_TRUE(runtime.isValid() && temporary.isValid() && home.isValid() && root.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("TMPDIR", temporary.path());
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
    env.insert("TIDEWELL_ROOT", root.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TIDEWELL_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(kDeadlineMs));

    // Running once its lock and socket are in the runtime folder.
    const auto socketListed = [&] {
        const QStringList listed = entries(runtime.path());
        return std::any_of(listed.cbegin(), listed.cend(), [&](const QString& e) {
            struct stat st;
            return ::stat(QFile::encodeName(runtime.filePath(e)).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
        });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return socketListed() || program.state() == QProcess::NotRunning; }, 60'000));
    ASSERT_EQ(program.state(), QProcess::Running);
    // And once it catches the signal.
    ASSERT_TRUE(QTest::qWaitFor([&] { return catches(program.processId(), signal); }, 20'000));
    EXPECT_EQ(entries(runtime.path()).size(), 2);
    EXPECT_EQ(entries(temporary.path()).filter("tidewell"), QStringList());

    ASSERT_EQ(::kill(pid_t(program.processId()), signal), 0);
    ASSERT_TRUE(program.waitForFinished(60'000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(entries(runtime.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(SingleInstance, Termination, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });
