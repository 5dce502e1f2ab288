#include "platform/ReadOnlyDatabase.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

namespace tw {

namespace {

constexpr int kStepsPerCheck = 1000;

// SQLite opens the database, its journals and the random source through
// this: a FIFO answers at once instead of waiting for a writer, and only
// regular files and folders (and the random device) are kept.
int openWithoutBlocking(const char* path, int flags, int mode)
{
    int fd;
    do
        fd = ::open(path, flags | O_NONBLOCK, mode_t(mode));
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fd;
    struct stat st;
    const bool kept = ::fstat(fd, &st) == 0
        && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || (S_ISCHR(st.st_mode) && std::strcmp(path, "/dev/urandom") == 0));
    if (!kept) {
        ::close(fd);
        errno = ENXIO;
        return -1;
    }
    if (S_ISREG(st.st_mode))
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void installNonBlockingOpen()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
        if (vfs && vfs->iVersion >= 3 && vfs->xSetSystemCall)
            vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(&openWithoutBlocking));
    });
}

} // namespace

std::unique_ptr<ReadOnlyDatabase> ReadOnlyDatabase::open(const QByteArray& hostPath, std::int64_t stepsPerStatement)
{
    installNonBlockingOpen();
    struct stat st;
    if (::stat(hostPath.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(hostPath.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxLength);
    std::unique_ptr<ReadOnlyDatabase> out(new ReadOnlyDatabase(db, stepsPerStatement));
    sqlite3_progress_handler(db, kStepsPerCheck, &ReadOnlyDatabase::progress, out.get());
    return out;
}

ReadOnlyDatabase::~ReadOnlyDatabase() { sqlite3_close_v2(m_db); }

int ReadOnlyDatabase::progress(void* self)
{
    auto* d = static_cast<ReadOnlyDatabase*>(self);
    d->m_remaining -= kStepsPerCheck;
    return d->m_remaining < 0 ? 1 : 0;
}

bool ReadOnlyDatabase::isPlainTable(const char* name)
{
    static const char* sql = "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"
                             " AND sql NOT LIKE 'CREATE VIRTUAL%'";
    renewBudget();
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &query, nullptr) != SQLITE_OK) {
        sqlite3_finalize(query);
        return false;
    }
    sqlite3_bind_text(query, 1, name, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(query) == SQLITE_ROW;
    sqlite3_finalize(query);
    return found;
}

} // namespace tw
