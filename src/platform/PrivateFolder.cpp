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

bool make(const QString& path)
{
    const QByteArray host = QFile::encodeName(path);
    if (host.isEmpty() || (::mkdir(host.constData(), 0700) != 0 && errno != EEXIST))
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
