#include "platform/PrivateFolder.h"

#include <QFile>

#include <cerrno>
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
    struct stat st;
    const QByteArray host = QFile::encodeName(path);
    return !host.isEmpty() && ::lstat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 077) == 0;
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

} // namespace

bool make(const QString& path)
{
    const QByteArray host = QFile::encodeName(path);
    // A fresh home may have no cache folder yet.
    constexpr int kMostMissing = 16;
    if (!host.startsWith('/') || !makeFolders(host, kMostMissing))
        return false;
    return isPrivate(path);
}

Entry entry(const QString& path, Kind kind)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? Entry::missing : Entry::foreign;
    const bool rightKind = kind == Kind::file ? S_ISREG(st.st_mode) : S_ISSOCK(st.st_mode);
    return rightKind && st.st_uid == ::geteuid() ? Entry::ours : Entry::foreign;
}

bool peerIsUs(qintptr socket)
{
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return socket >= 0 && ::getsockopt(int(socket), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && size == sizeof peer && peer.uid == ::geteuid();
}

} // namespace tw::privatefolder
