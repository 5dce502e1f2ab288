#include "platform/PrivateFolder.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::privatefolder {

std::uint32_t userId()
{
    return ::geteuid();
}

bool isPrivate(const QString& path)
{
    return Folder::open(path, false) != nullptr;
}

namespace {

// mkdir -p with mode 0700 for each folder it makes; what exists is left as it is.
bool makeFolders(const QByteArray& host, int depth)
{
    if (::mkdir(host.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    const qsizetype slash = host.lastIndexOf('/');
    if (errno != ENOENT || slash <= 0 || depth == 0 || !makeFolders(host.left(slash), depth - 1))
        return false;
    return ::mkdir(host.constData(), 0700) == 0 || errno == EEXIST;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray& descriptorFolder()
{
    static QByteArray folder = QByteArrayLiteral("/proc/self/fd");
    return folder;
}

} // namespace

void setDescriptorFolder(const QByteArray& folder)
{
    descriptorFolder() = folder;
}

std::unique_ptr<Folder> Folder::open(const QString& path, bool make)
{
    const QByteArray host = QFile::encodeName(path);
    // A fresh home may have no cache folder yet.
    constexpr int kMostMissing = 16;
    if (!host.startsWith('/') || (make && !makeFolders(host, kMostMissing)))
        return nullptr;
    // What was made or found by path may have been swapped since: only what is opened here counts.
    UniqueFd fd(::open(host.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & 077) != 0)
        return nullptr;
    return std::unique_ptr<Folder>(new Folder(std::move(fd), path));
}

Folder::~Folder()
{
    // Removed while still held: whoever opened the file before sees it gone once it gets the lock.
    if (m_lock.get() >= 0)
        ::unlinkat(m_fd.get(), m_lockName.constData(), 0);
}

QByteArray Folder::through(const QString& name) const
{
    const QByteArray entry = '/' + QFile::encodeName(name);
    struct stat opened, seen;
    if (::fstat(m_fd.get(), &opened) != 0)
        return {};
    const QByteArray shown = descriptorFolder() + '/' + QByteArray::number(m_fd.get());
    if (::stat(shown.constData(), &seen) == 0 && sameFile(opened, seen))
        return shown + entry;
    // No /proc (a private mount namespace may have none): the folder's own
    // path, once it is seen to name the folder opened. It could be swapped
    // between this look and the use only by whoever may write the folder
    // above; the caller believes no listener that is not ours and looks,
    // through the descriptor, for a socket it made.
    const QByteArray own = QFile::encodeName(m_path);
    if (::lstat(own.constData(), &seen) == 0 && sameFile(opened, seen))
        return own + entry;
    return {};
}

bool Folder::descriptorsShown()
{
    struct stat st;
    return ::stat(descriptorFolder().constData(), &st) == 0;
}

Entry Folder::entry(const QString& name, Kind kind) const
{
    struct stat st;
    if (::fstatat(m_fd.get(), QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Entry::missing : Entry::foreign;
    const bool rightKind = kind == Kind::file ? S_ISREG(st.st_mode) : S_ISSOCK(st.st_mode);
    return rightKind && st.st_uid == ::geteuid() ? Entry::ours : Entry::foreign;
}

bool Folder::remove(const QString& name) const
{
    return ::unlinkat(m_fd.get(), QFile::encodeName(name).constData(), 0) == 0;
}

Folder::Lock Folder::lock(const QString& name)
{
    const QByteArray host = QFile::encodeName(name);
    // A holder removes the file before it lets go: a lock got on a file no
    // longer there is tried again on the one that is.
    constexpr int kMostTries = 16;
    for (int i = 0; i < kMostTries; ++i) {
        UniqueFd fd(::openat(m_fd.get(), host.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        struct stat opened, named;
        if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid())
            return Lock::unusable;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? Lock::held : Lock::unusable;
        if (::fstatat(m_fd.get(), host.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named)) {
            m_lock = std::move(fd);
            m_lockName = host;
            return Lock::taken;
        }
    }
    // Made and removed again all the while: copies come and go; wait for the one that stays.
    return Lock::held;
}

bool peerIsUs(qintptr socket)
{
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return socket >= 0 && ::getsockopt(int(socket), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && size == sizeof peer && peer.uid == ::geteuid();
}

} // namespace tw::privatefolder
