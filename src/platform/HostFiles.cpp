#include "platform/HostServices.h"

#include "platform/Path.h"
#include "platform/PropertyList.h"
#include "platform/ReadOnlyDatabase.h"

#include <QDesktopServices>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

namespace tw::host {

Error trashError(int err, const QString& name)
{
    const QString quoted = QStringLiteral("“") + name + QStringLiteral("”");
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return {kCocoaErrorDomain, 513, quoted + QStringLiteral(" couldn’t be moved to the Trash because you don’t have permission to access it.")};
    case ENOENT:
        return {kCocoaErrorDomain, 4, quoted + QStringLiteral(" couldn’t be moved to the Trash because it doesn’t exist.")};
    case ENOSPC:
    case EDQUOT:
        return {kCocoaErrorDomain, 640, quoted + QStringLiteral(" couldn’t be moved to the Trash because the volume is full.")};
    case EXDEV:
        return {kCocoaErrorDomain, 512, quoted + QStringLiteral(" couldn’t be moved to the Trash because it is on another volume.")};
    case EMFILE:
    case ENFILE:
        return {kPosixErrorDomain, err, quoted + QStringLiteral(" couldn’t be moved to the Trash: out of file descriptors.")};
    default:
        return {kCocoaErrorDomain, 512, quoted + QStringLiteral(" couldn’t be moved to the Trash (") + QString::fromLocal8Bit(strerror(err)) + QStringLiteral(").")};
    }
}

QStringList adminMoveArguments(const QString& trash, const QString& source, const QString& destination)
{
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("[ -d \"$1\" ] && exec /bin/mv -n -T -- \"$2\" \"$3\""),
            QStringLiteral("tidewell-trash"), trash, source, destination};
}

bool hasDesktopLauncher(const QUrl& url)
{
#if !defined(Q_OS_UNIX) || defined(Q_OS_MACOS)
    Q_UNUSED(url);
    return true;  // the system itself opens addresses there
#else
    static const char* const launchers[] = {"xdg-open", "kfmclient", "gnome-open", "google-chrome", "firefox",
                                            "mozilla", "opera"};
    for (const char* name : launchers)
        if (!QStandardPaths::findExecutable(QLatin1String(name)).isEmpty())
            return true;
    if (url.isLocalFile())
        return false;
    for (const char* variable : {"DEFAULT_BROWSER", "BROWSER"}) {
        const QString browser = qEnvironmentVariable(variable);
        if (!browser.isEmpty() && !QStandardPaths::findExecutable(browser).isEmpty())
            return true;
    }
    return false;
#endif
}

namespace {

// A rename into home/.Trash under a free name ("Foo.app", "Foo 1.app", ...);
// never overwrites, since the rename itself refuses an existing target. The
// folders on both sides are opened without following links: pass the item
// with its parents resolved.
class RenameTrash final : public TrashMover {
public:
    explicit RenameTrash(const FileSystem& fs) : m_fs(fs) {}

    Status trashItem(const QString& p) override
    {
        const QString source = path::standardized(p);
        const QString name = path::lastComponent(source);
        if (name.isEmpty())
            return trashError(EINVAL, source);
        // A real folder of the home, made when missing and never reached
        // through a link (one at its place fails the move).
        const std::optional<QString> trash = m_fs.resolvingParents(m_fs.trash());
        if (!trash)
            return trashError(ENOTDIR, name);
        if (const Status made = m_fs.makeDirectories(*trash, 0700); !made)
            return trashError(made.error().code, name);
        for (int n = 0; n <= 501; ++n) {
            const Status moved = m_fs.rename(source, path::join(*trash, path::trashName(name, n)));
            if (moved)
                return {};
            if (moved.error().code != EEXIST && moved.error().code != ENOTEMPTY)
                return trashError(moved.error().code, name);
        }
        return trashError(EEXIST, name);
    }

private:
    const FileSystem& m_fs;
};

// pkexec runs a fixed shell text; the three paths are its positional
// arguments and never part of the text. The Trash folder must already exist
// (the caller creates it as the user), and mv never overwrites. It runs on
// the engine pool and waits there for the password; endRequests ends a
// pkexec still waiting (SIGTERM: before it is authorised it is still ours to
// end; once it runs as root it cannot be, and its mv finishes).
class PkexecRunner final : public AdminRunner {
public:
    explicit PkexecRunner(const FileSystem& fs) : m_fs(fs) {}

    Status moveIntoTrash(const QString& trash, const QString& source, const QString& destination) override
    {
        for (const QString& p : {trash, source, destination}) {
            if (p.contains(QChar(0)) || p.contains(u'\n') || p.contains(u'\r') || !p.startsWith(u'/'))
                return Error{kScriptErrorDomain, 0, QStringLiteral("The path holds characters that cannot be passed on.")};
        }
        QProcess proc;
        qint64 pid = 0;  // processId() is 0 again once the process has ended
        {
            const QMutexLocker lock(&m_mutex);
            if (m_ended)
                return Error::unavailable();
            const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
            if (pkexec.isEmpty())
                return noPrompt(QStringLiteral("pkexec is not installed."));
            proc.start(pkexec,
                       adminMoveArguments(m_fs.toHostString(trash), m_fs.toHostString(source), m_fs.toHostString(destination)));
            if (!proc.waitForStarted())
                return noPrompt(QStringLiteral("pkexec could not be started: ") + proc.errorString());
            pid = proc.processId();
            m_running.insert(pid);
        }
        proc.waitForFinished(-1);
        bool ended = false;
        {
            const QMutexLocker lock(&m_mutex);
            m_running.remove(pid);
            ended = m_ended;
        }
        if (proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0)
            return {};
        // 126: the authentication dialog was dismissed; ended: withdrawn at the quit.
        if (ended || (proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 126))
            return Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
        const QString err = QString::fromLocal8Bit(proc.readAllStandardError()).simplified();
        // 127 is pkexec's own failure: before any prompt when it finds no
        // polkit authority or no authentication agent, else a refusal.
        if (proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 127
            && (err.contains(QLatin1String("Error getting authority"))
                || err.contains(QLatin1String("No authentication agent found"))))
            return noPrompt(QStringLiteral("pkexec: ") + err);
        return Error{kScriptErrorDomain, proc.exitCode(), withoutHostPaths(err, path::lastComponent(source))};
    }

    void endRequests() override
    {
        const QMutexLocker lock(&m_mutex);
        m_ended = true;
        for (const qint64 pid : std::as_const(m_running))
            ::kill(pid_t(pid), SIGTERM);
    }

private:
    // mv's own line names the paths as this host has them ("/bin/mv: cannot
    // move '<root>/Applications/A.app' to '…': Operation not permitted"): the
    // item is named as everywhere else, and only mv's reason, which ends the
    // line, is kept. Other words (pkexec's) hold no path and stay.
    static QString withoutHostPaths(const QString& err, const QString& name)
    {
        if (!err.startsWith(QLatin1String("/bin/mv: ")))
            return err;
        const QString reason = err.mid(err.lastIndexOf(QLatin1String(": ")) + 2);
        return QStringLiteral("“") + name + QStringLiteral("” could not be moved to the Trash even with administrator privileges: ")
               + reason;
    }

    // No prompt could be shown; words says why.
    static Error noPrompt(const QString& words) { return {kUnavailableErrorDomain, 0, words}; }

    const FileSystem& m_fs;
    QMutex m_mutex;
    QSet<qint64> m_running;
    bool m_ended = false;
};

// Processes whose executable lies inside an application bundle.
class ProcRunningApps final : public RunningApps {
public:
    explicit ProcRunningApps(const FileSystem& fs) : m_fs(fs) {}

    std::vector<RunningApp> list() override
    {
        std::vector<RunningApp> out;
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& pidText : pids) {
            bool ok = false;
            const qint64 pid = pidText.toLongLong(&ok);
            if (!ok)
                continue;
            const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/") + pidText + QStringLiteral("/exe"));
            if (exe.isEmpty())
                continue;
            const auto logical = m_fs.fromHost(exe);
            if (!logical)
                continue;
            QString bundle;
            for (QString p = path::parent(*logical); p != QLatin1String("/"); p = path::parent(p)) {
                if (p.endsWith(QLatin1String(".app"))) {
                    bundle = p;
                    break;
                }
            }
            out.push_back({pid, bundle});
        }
        return out;
    }

    void terminate(const RunningApp& app) override { ::kill(pid_t(app.pid), SIGTERM); }

private:
    const FileSystem& m_fs;
};

// Without a launcher Qt prints a warning on the terminal and opens nothing;
// asking first keeps that quiet.
void openQuietly(const QUrl& url)
{
    if (hasDesktopLauncher(url))
        QDesktopServices::openUrl(url);
}

class DesktopWorkspace final : public Workspace {
public:
    explicit DesktopWorkspace(const FileSystem& fs) : m_fs(fs) {}

    void open(const QUrl& url) override { openQuietly(url); }
    void openPath(const QString& p) override { openQuietly(QUrl::fromLocalFile(m_fs.toHostString(p))); }
    void reveal(const QString& p) override { openQuietly(QUrl::fromLocalFile(m_fs.toHostString(path::parent(p)))); }

    std::optional<QString> applicationPath(const QString& bundleId) override
    {
        QMutexLocker lock(&m_mutex);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (!m_built.isValid() || m_built.secsTo(now) > 5) {
            m_index.clear();
            const QStringList folders{QStringLiteral("/Applications"), QStringLiteral("/Applications/Utilities"),
                                      m_fs.home() + QStringLiteral("/Applications"), QStringLiteral("/System/Applications")};
            for (const QString& folder : folders) {
                const auto entries = m_fs.list(folder);
                if (!entries)
                    continue;
                for (const DirEntry& e : *entries) {
                    if (!path::isAppBundle(e.name))
                        continue;
                    const QString app = path::join(folder, e.name);
                    const auto info = plist::readDictionary(m_fs, app + QStringLiteral("/Contents/Info.plist"));
                    const auto id = info ? plist::string(*info, QStringLiteral("CFBundleIdentifier")) : std::nullopt;
                    if (id && !m_index.contains(*id))
                        m_index.insert(*id, app);
                }
            }
            m_built = now;
        }
        const auto it = m_index.constFind(bundleId);
        return it == m_index.cend() ? std::nullopt : std::optional<QString>(*it);
    }

private:
    const FileSystem& m_fs;
    QMutex m_mutex;
    QDateTime m_built;
    QHash<QString, QString> m_index;
};

// Read-only queries with a bound parameter, on a real "access" table only,
// each within its budget. A connection with its prepared query is kept per
// database and reopened when the file is replaced.
class SqlitePrivacy final : public PrivacyStore {
public:
    explicit SqlitePrivacy(const FileSystem& fs) : m_fs(fs) {}
    ~SqlitePrivacy() override
    {
        for (Connection& c : m_connections)
            c.close();
    }

    Result<QStringList> grantedServices(const QString& databasePath, const QString& clientLower) override
    {
        QMutexLocker lock(&m_mutex);
        Connection* c = connection(databasePath);
        if (!c)
            return Error{kCocoaErrorDomain, 256, QStringLiteral("The privacy database could not be opened.")};
        const QByteArray client = clientLower.toUtf8();
        sqlite3_reset(c->query);
        c->db->renewBudget();
        sqlite3_bind_text(c->query, 1, client.constData(), int(client.size()), SQLITE_TRANSIENT);
        QStringList services;
        int rc;
        while ((rc = sqlite3_step(c->query)) == SQLITE_ROW) {
            if (const unsigned char* text = sqlite3_column_text(c->query, 0))
                services << QString::fromUtf8(reinterpret_cast<const char*>(text));
        }
        sqlite3_reset(c->query);
        if (rc != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(c->db->handle()));
            c->close();
            m_connections.remove(databasePath);
            return Error{kCocoaErrorDomain, 256, message};
        }
        return services;
    }

private:
    struct Connection {
        std::shared_ptr<ReadOnlyDatabase> db;
        sqlite3_stmt* query = nullptr;
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0;
        QDateTime modified;
        void close()
        {
            sqlite3_finalize(query);
            query = nullptr;
            db.reset();
        }
    };

    Connection* connection(const QString& databasePath)
    {
        const auto st = m_fs.stat(databasePath, Links::Follow);
        auto it = m_connections.find(databasePath);
        if (it != m_connections.end()) {
            if (st && st->device == it->device && st->inode == it->inode && st->size == it->size
                && st->modified == it->modified)
                return &*it;
            it->close();
            m_connections.erase(it);
        }
        if (!st || st->type != FileType::Regular)
            return nullptr;
        Connection c{ReadOnlyDatabase::open(m_fs.toHost(databasePath)), nullptr, st->device, st->inode, st->size,
                     st->modified.value_or(QDateTime())};
        static const char* sql = "SELECT DISTINCT service FROM access WHERE lower(client) = ?1 AND auth_value > 0";
        if (!c.db || !c.db->isPlainTable("access")
            || sqlite3_prepare_v2(c.db->handle(), sql, -1, &c.query, nullptr) != SQLITE_OK) {
            c.close();
            return nullptr;
        }
        return &*m_connections.insert(databasePath, c);
    }

    const FileSystem& m_fs;
    QMutex m_mutex;
    QHash<QString, Connection> m_connections;
};

} // namespace

std::unique_ptr<TrashMover> makeTrashMover(const FileSystem& fs) { return std::make_unique<RenameTrash>(fs); }
std::unique_ptr<AdminRunner> makeAdminRunner(const FileSystem& fs) { return std::make_unique<PkexecRunner>(fs); }
std::unique_ptr<RunningApps> makeRunningApps(const FileSystem& fs) { return std::make_unique<ProcRunningApps>(fs); }
std::unique_ptr<Workspace> makeWorkspace(const FileSystem& fs) { return std::make_unique<DesktopWorkspace>(fs); }
std::unique_ptr<PrivacyStore> makePrivacyStore(const FileSystem& fs) { return std::make_unique<SqlitePrivacy>(fs); }

} // namespace tw::host
