#pragma once

// Folders opened without following any link, so that what is acted on
// relative to them is the path that was judged: a folder swapped for a link
// meanwhile fails to open instead of leading elsewhere.

#include "platform/Result.h"

#include <QByteArray>

#include <utility>

namespace tw {

// A file descriptor, closed with its owner.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    // The descriptor, no longer closed by this.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

// How a folder below another is opened: by the kernel in one call (openat2
// with RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS), or one component at a time
// with O_NOFOLLOW. Kernel falls back to ByComponent where openat2 is missing.
enum class Walk { Kernel, ByComponent };

// The folder at relative below the open folder base ("" is base itself).
// relative holds plain components joined by "/": an empty, "." or ".."
// component is refused (EINVAL), and so is any link on the way (ELOOP).
// Failures are POSIX errors.
Result<UniqueFd> openFolderBeneath(int base, const QByteArray& relative, Walk walk = Walk::Kernel);

} // namespace tw
