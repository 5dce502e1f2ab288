#include "platform/FolderHandle.h"

#include "platform/DescriptorGate.h"

#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tw {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            descriptors::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0)
        descriptors::close(m_fd);
}

namespace {

// Out of descriptors, each open below waits for one rather than fail.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

bool plainComponents(const QByteArray& relative)
{
    if (relative.isEmpty())
        return true;
    for (const QByteArray& part : relative.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

Result<UniqueFd> opened(int fd)
{
    if (fd < 0)
        return Error::posix(errno);
    return UniqueFd(fd);
}

// -1 with ENOSYS where the kernel has no openat2.
int openWithKernel(int base, const QByteArray& relative)
{
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return descriptors::opened([&] { return int(::syscall(SYS_openat2, base, relative.constData(), &how, sizeof how)); });
}

Result<UniqueFd> openByComponent(int base, const QByteArray& relative)
{
    Result<UniqueFd> current = opened(descriptors::opened([&] { return ::openat(base, ".", kFolderFlags); }));
    for (const QByteArray& part : relative.split('/')) {
        if (!current)
            break;
        // O_NOFOLLOW with O_PATH would open a link itself; O_DIRECTORY refuses it.
        const int fd = descriptors::opened([&] { return ::openat(current->get(), part.constData(), kFolderFlags | O_NOFOLLOW); });
        if (fd < 0 && errno == ENOTDIR) {
            struct stat st;
            if (::fstatat(current->get(), part.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                errno = ELOOP;
            else
                errno = ENOTDIR;
        }
        current = opened(fd);
    }
    return current;
}

} // namespace

Result<UniqueFd> openFolderBeneath(int base, const QByteArray& relative, Walk walk)
{
    if (!plainComponents(relative))
        return Error::posix(EINVAL);
    if (relative.isEmpty())
        return opened(descriptors::opened([&] { return ::openat(base, ".", kFolderFlags); }));
    if (walk == Walk::Kernel) {
        const int fd = openWithKernel(base, relative);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return opened(fd);
    }
    return openByComponent(base, relative);
}

} // namespace tw
