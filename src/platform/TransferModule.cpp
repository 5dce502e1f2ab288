#include "platform/TransferModule.h"

#include "platform/DescriptorGate.h"
#include "platform/FolderHandle.h"
#include "platform/WriteAccess.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::host::http {

namespace {

QString shown(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// Where the lookup starts, by the running program's own file (never the
// current folder or the environment): installed, and for the build's test
// and benchmark programs, the folder above the program's (the prefix above
// bin/, the build folder); for the program in the build folder, its own.
// With the owner of the program file.
struct Layout {
    std::vector<std::filesystem::path> starts;
    uid_t programOwner = ::geteuid();
};

Layout layout()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    struct stat st {};
    if (error || !program.is_absolute() || ::stat("/proc/self/exe", &st) != 0)
        return {};
    const std::filesystem::path folder = program.parent_path();
    return {{folder.parent_path(), folder}, st.st_uid};
}

// The module file, opened for loading, or why it is not trusted (error: the
// errno of what failed, if anything did).
struct Opened {
    UniqueFd file;
    off_t size = 0;
    QString why;
    int error = 0;
};

// The module runs with the user's rights, so it may come only from those
// who already decide what runs as the user: root, the user, and the owner
// of the program file, whose program it is. Opens start/lib/tidewell/<module>,
// following no link from start down, when the file and each folder from
// start down to it belong to one of them and no one else may write them
// (their group's members and ACL entries counted): anyone else who could
// put a file there would have it run as the user.
Opened openTrusted(const std::filesystem::path& start, std::span<const uid_t> trusted)
{
    const char* const below[] = {"lib", "tidewell", kModuleFileName};
    std::filesystem::path path = start;
    int fd = ::open(start.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    int error = errno;
    const auto refused = [](const QString& why, int error = 0) { return Opened{{}, 0, why, error}; };
    for (size_t depth = 0;; ++depth) {
        const bool file = depth == std::size(below);
        const QString name = file ? QStringLiteral("it") : shown(path);
        if (fd < 0 && error == ELOOP)
            return refused(QStringLiteral("%1 is a link").arg(name));
        if (fd < 0)
            return refused(QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(strerror(error))), error);
        UniqueFd at(fd);
        struct stat st {};
        if (::fstat(at.get(), &st) != 0)
            return refused(QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(strerror(errno))), errno);
        if (S_ISLNK(st.st_mode))
            return refused(QStringLiteral("%1 is a link").arg(name));
        if (file && !S_ISREG(st.st_mode))
            return refused(QStringLiteral("%1 is not a regular file").arg(name));
        if (!file && !S_ISDIR(st.st_mode))
            return refused(QStringLiteral("%1 is not a folder").arg(name));
        if (const std::optional<Refusal> others = changeableByOthers(at.get(), st, trusted, systemAccounts(), name))
            return refused(others->why, others->error);
        if (file)
            return {std::move(at), st.st_size, {}, 0};
        // Opening the file never blocks (a FIFO); it is read only once known to be regular.
        const int flags = depth + 1 == std::size(below) ? O_RDONLY | O_NONBLOCK | O_NOCTTY : O_PATH;
        fd = ::openat(at.get(), below[depth], flags | O_NOFOLLOW | O_CLOEXEC);
        error = errno;
        path /= below[depth];
    }
}

// Why the file, size bytes long, must not be handed to the loader (to follow
// its path), or an empty text. The loader maps what the headers name, and a
// page mapped past the file's end kills the process (SIGBUS) when touched: a
// copy cut short is refused before. Only the headers are read.
QString unloadable(int fd, off_t size)
{
    const QString cut = QStringLiteral("is shorter than its headers say");
    const auto within = [end = std::uint64_t(size)](std::uint64_t offset, std::uint64_t bytes) {
        return offset <= end && bytes <= end - offset;
    };
    ElfW(Ehdr) head{};
    const ssize_t got = ::pread(fd, &head, sizeof head, 0);
    if (got < SELFMAG || std::memcmp(head.e_ident, ELFMAG, SELFMAG) != 0)
        return QStringLiteral("is not a shared library");
    if (got != sizeof head)
        return cut;
    constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    constexpr unsigned char kData = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    if (head.e_ident[EI_CLASS] != kClass || head.e_ident[EI_DATA] != kData || head.e_phentsize != sizeof(ElfW(Phdr)))
        return QStringLiteral("is not built for this computer");
    if (!within(head.e_phoff, std::uint64_t(head.e_phnum) * sizeof(ElfW(Phdr))))
        return cut;
    if (head.e_shoff != 0 && !within(head.e_shoff, std::uint64_t(std::max<int>(head.e_shnum, 1)) * head.e_shentsize))
        return cut;
    for (std::uint64_t i = 0; i < head.e_phnum; ++i) {
        ElfW(Phdr) segment{};
        if (::pread(fd, &segment, sizeof segment, off_t(head.e_phoff + i * sizeof segment)) != sizeof segment)
            return cut;
        if (segment.p_type == PT_LOAD && !within(segment.p_offset, segment.p_filesz))
            return cut;
    }
    return {};
}

Module outOfDescriptors()
{
    return {nullptr, QStringLiteral("The HTTP component could not be loaded: the program is out of file descriptors"),
            true};
}

} // namespace

Module loadModule()
{
    QString why = QStringLiteral("%1 was not found beside the program").arg(QLatin1String(kModuleFileName));
    const Layout where = layout();
    const uid_t trusted[] = {0, ::geteuid(), where.programOwner};
    for (const std::filesystem::path& start : where.starts) {
        const std::filesystem::path candidate = start / "lib/tidewell" / kModuleFileName;
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
            continue;
        Opened module = openTrusted(start, trusted);
        if (descriptors::exhausted(module.error))
            return outOfDescriptors();
        if (!module.why.isEmpty()) {
            why = QStringLiteral("%1 is not trusted: %2").arg(shown(candidate), module.why);
            continue;
        }
        if (const QString reason = unloadable(module.file.get(), module.size); !reason.isEmpty()) {
            why = QStringLiteral("%1 %2").arg(shown(candidate), reason);
            continue;
        }
        // The very file checked, whatever lies at its path by now. Kept for
        // the life of the process: libcurl and its TLS library are not unloaded.
        const std::string opened = "/proc/self/fd/" + std::to_string(module.file.get());
        void* handle = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            // The loader keeps no errno: its message ends with the reason.
            const QString reason = QString::fromLocal8Bit(dlerror()).remove(QString::fromStdString(opened + ": "));
            if (reason.endsWith(QString::fromLocal8Bit(strerror(EMFILE))) ||
                reason.endsWith(QString::fromLocal8Bit(strerror(ENFILE))))
                return outOfDescriptors();
            why = QStringLiteral("%1: %2").arg(shown(candidate), reason.isEmpty() ? QStringLiteral("unknown error") : reason);
            continue;
        }
        // Open as long as the module is loaded: the loader knows it by that name,
        // and so do debuggers and sanitizers that read its list.
        module.file.release();
        if (void* make = dlsym(handle, kMakeTransportSymbol))
            return {reinterpret_cast<MakeTransport>(make), {}, false};
        why = QStringLiteral("%1 is not a transfer module of this program").arg(shown(candidate));
    }
    return {nullptr, QStringLiteral("The HTTP component could not be loaded: %1").arg(why), false};
}

} // namespace tw::host::http
