#include "platform/TransferModule.h"

#include "platform/FolderHandle.h"
#include "platform/WriteAccess.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <climits>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::host::http {

namespace {

QString shown(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// The loads of the process, one at a time. Never destroyed: a load left
// waiting for a look-up may outlast the process's static objects.
struct Loader {
    std::mutex mutex;
    const Accounts* accounts = nullptr;  // the system's unless set
    std::optional<Module> kept;          // a verdict
    bool loading = false;
    QString doing;  // what the load under way waits for, when it is a look-up
    std::vector<std::function<void(const Module&)>> waiting;
};

Loader& loader()
{
    static Loader* const state = new Loader;
    return *state;
}

// What the load is doing while one lives, for loadUnderWay().
class Doing {
public:
    explicit Doing(const QString& what) { set(what); }
    ~Doing() { set({}); }
    Doing(const Doing&) = delete;
    Doing& operator=(const Doing&) = delete;

private:
    static void set(const QString& what)
    {
        const std::lock_guard lock(loader().mutex);
        loader().doing = what;
    }
};

// The look-ups of the trust check, each said while it runs.
class SaidAccounts final : public Accounts {
public:
    SaidAccounts(const Accounts& accounts, const QString& file) : m_accounts(accounts), m_file(file) {}

    Result<Group> group(gid_t gid) const override
    {
        const Doing doing(QStringLiteral("the look-up of group %1, for who may write to %2, has not answered").arg(gid).arg(m_file));
        return m_accounts.group(gid);
    }
    Result<std::vector<AclEntry>> accessAcl(int fd) const override
    {
        const Doing doing(QStringLiteral("reading the ACL of %1 has not ended").arg(m_file));
        return m_accounts.accessAcl(fd);
    }

private:
    const Accounts& m_accounts;
    const QString m_file;
};

// Where the lookup starts, by the running program's own file (never the
// current folder or the environment): installed, and for the build's test
// and benchmark programs, the folder above the program's (the prefix above
// bin/, the build folder); for the program in the build folder, its own.
// With who may have put the module there: root, the user and the owner of
// the program file, whose program it is. Without /proc the program is
// found by the path it was started by, links resolved, which need not name
// the file that runs: its owner is not trusted then, and the folders are
// judged from / down (the module is loaded by its path).
struct Layout {
    std::vector<std::filesystem::path> starts;
    std::vector<uid_t> trusted;
    bool fromRoot = false;
};

Layout layout()
{
    struct stat st {};
    if (::lstat("/proc/self/exe", &st) == 0) {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error || !program.is_absolute() || ::stat("/proc/self/exe", &st) != 0)
            return {};
        const std::filesystem::path folder = program.parent_path();
        return {{folder.parent_path(), folder}, {0, ::geteuid(), st.st_uid}, false};
    }
    const auto* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
    char resolved[PATH_MAX];
    if (!started || !::realpath(started, resolved))
        return {{}, {}, true};
    const std::filesystem::path folder = std::filesystem::path(resolved).parent_path();
    return {{folder.parent_path(), folder}, {0, ::geteuid()}, true};
}

// The module file, opened for loading, or why it is not trusted (error: the
// errno of what failed, if anything did; cannotTell: no verdict).
struct Opened {
    UniqueFd file;
    off_t size = 0;
    std::filesystem::path path;
    QString why;
    int error = 0;
    bool cannotTell = false;
};

// The module runs with the user's rights, so it may come only from those
// who already decide what runs as the user (trusted). Opens the file at
// start/below (folders, then its name), following no link from start down, when
// the file and each folder from start down to it belong to one of them and
// no one else may write them (their group's members and ACL entries
// counted): anyone else who could put a file there would have it run as the
// user. A folder is opened for reading where it may be, so that its ACL can
// be read without /proc.
Opened openTrusted(const std::filesystem::path& start, const std::vector<std::string>& below,
                   std::span<const uid_t> trusted, const Accounts& accounts)
{
    std::filesystem::path path = start;
    int fd = ::open(start.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    int error = errno;
    const auto refused = [](const QString& why, int error = 0, bool cannotTell = false) {
        return Opened{{}, 0, {}, why, error, cannotTell || !shortage(error).isEmpty()};
    };
    for (size_t depth = 0;; ++depth) {
        const bool file = depth == below.size();
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
        if (!file) {
            if (UniqueFd readable(::openat(at.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)); readable.get() >= 0)
                at = std::move(readable);
        }
        const SaidAccounts said(accounts, shown(path));
        if (const std::optional<Refusal> others = changeableByOthers(at.get(), st, trusted, said, name))
            return refused(others->why, others->error, others->cannotTell);
        if (file)
            return {std::move(at), st.st_size, path, {}, 0, false};
        // Opening the file never blocks (a FIFO); it is read only once known to be regular.
        const int flags = depth + 1 == below.size() ? O_RDONLY | O_NONBLOCK | O_NOCTTY : O_PATH;
        fd = ::openat(at.get(), below[depth].c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
        error = errno;
        path /= below[depth];
    }
}

// The module's file as the loader sees it, read in pieces: never whole, as
// a damaged copy may be a sparse file of any length.
class Image {
public:
    Image(int fd, off_t size) : m_fd(fd), m_size(std::uint64_t(size)) {}

    bool within(std::uint64_t offset, std::uint64_t bytes) const
    {
        return offset <= m_size && bytes <= m_size - offset;
    }

    bool read(std::uint64_t offset, void* into, std::uint64_t bytes) const
    {
        return within(offset, bytes) && ::pread(m_fd, into, bytes, off_t(offset)) == ssize_t(bytes);
    }

    // Where the bytes at address lie in the file, when a loaded segment
    // maps all of them from it.
    std::optional<std::uint64_t> fileAt(std::uint64_t address, std::uint64_t bytes) const
    {
        for (const ElfW(Phdr)& load : loads) {
            if (address >= load.p_vaddr && address - load.p_vaddr <= load.p_filesz &&
                bytes <= load.p_filesz - (address - load.p_vaddr))
                return load.p_offset + (address - load.p_vaddr);
        }
        return std::nullopt;
    }

    // Reads the bytes at address, when they lie in the loaded part of the file.
    bool load(std::uint64_t address, void* into, std::uint64_t bytes) const
    {
        const std::optional<std::uint64_t> at = fileAt(address, bytes);
        return at && read(*at, into, bytes);
    }

    template <typename T>
    bool load(std::uint64_t address, T& into) const
    {
        return load(address, &into, sizeof into);
    }

    // Whether a loaded segment with these flags holds the bytes at address.
    bool mapped(std::uint64_t address, std::uint64_t bytes, ElfW(Word) flags = 0) const
    {
        return std::ranges::any_of(loads, [&](const ElfW(Phdr)& load) {
            return (load.p_flags & flags) == flags && address >= load.p_vaddr &&
                   address - load.p_vaddr <= load.p_memsz && bytes <= load.p_memsz - (address - load.p_vaddr);
        });
    }

    std::vector<ElfW(Phdr)> headers;
    std::vector<ElfW(Phdr)> loads;

private:
    int m_fd;
    std::uint64_t m_size;
};

constexpr std::uint64_t kMaxTable = std::uint64_t(64) << 20;

// Whether the chain of version records (Verneed or Verdef) from address ends
// within count records, each and its entries in the loaded part of the file
// and their names in the string table: the loader follows the chain to its
// end, whatever the count says.
template <typename Record, typename Entry, typename Count>
bool versionsHold(const Image& image, std::uint64_t address, std::uint64_t count, std::uint64_t strings,
                  Count Record::*entries, ElfW(Word) Record::*firstEntry, ElfW(Word) Record::*next,
                  ElfW(Word) Entry::*name, ElfW(Word) Entry::*nextEntry)
{
    for (std::uint64_t n = 0; n < std::min(count, kMaxTable); ++n) {
        Record record{};
        if (!image.load(address, record) || record.*entries == 0)
            return false;
        std::uint64_t entryAt = address + record.*firstEntry;
        for (unsigned k = 0; k < record.*entries; ++k) {
            Entry entry{};
            if (!image.load(entryAt, entry) || entry.*name >= strings)
                return false;
            entryAt += entry.*nextEntry;
        }
        if (record.*next == 0)
            return true;
        address += record.*next;
    }
    return false;
}

// Why what the loader reads before any of the module's code runs would not
// hold, or an empty text: an interrupted upgrade leaves a file of the right
// length with zeroed blocks, which the loader would follow into a crash.
// The structure the loader trusts is checked: the dynamic section, the
// string, symbol, hash and version tables it names lie in the loaded part
// of the file and make sense, and each relocation writes where it may for a
// symbol there is. Nothing is compared with a record of the build, so a
// copy a packager has stripped (or given a new run path) still loads; the
// code itself is not judged. Only those tables are read, in pieces, and
// none past kMaxTable.
QString damage(const Image& image)
{
    const auto damaged = [](const char* what) { return QStringLiteral("is damaged (%1)").arg(QLatin1String(what)); };
    const auto dynamic = std::ranges::find(image.headers, ElfW(Word)(PT_DYNAMIC), &ElfW(Phdr)::p_type);
    if (dynamic == image.headers.end())
        return damaged("it has no dynamic section");
    std::vector<ElfW(Dyn)> entries(std::min<std::uint64_t>(dynamic->p_memsz, 1 << 16) / sizeof(ElfW(Dyn)));
    if (!image.load(dynamic->p_vaddr, entries.data(), entries.size() * sizeof(ElfW(Dyn))))
        return damaged("its dynamic section lies outside the file");
    const auto end = std::ranges::find(entries, ElfW(Sxword)(DT_NULL), &ElfW(Dyn)::d_tag);
    if (end == entries.end())
        return damaged("its dynamic section does not end");
    std::map<ElfW(Sxword), ElfW(Xword)> value;
    std::vector<ElfW(Xword)> names;
    for (auto entry = entries.begin(); entry != end; ++entry) {
        value.try_emplace(entry->d_tag, entry->d_un.d_val);
        if (entry->d_tag == DT_NEEDED || entry->d_tag == DT_SONAME || entry->d_tag == DT_RPATH ||
            entry->d_tag == DT_RUNPATH)
            names.push_back(entry->d_un.d_val);
    }
    const auto tag = [&value](ElfW(Sxword) t) { return value.contains(t) ? std::optional(value.at(t)) : std::nullopt; };
    if (!tag(DT_STRTAB) || !tag(DT_STRSZ) || !tag(DT_SYMTAB) || tag(DT_SYMENT) != sizeof(ElfW(Sym)) ||
        (!tag(DT_GNU_HASH) && !tag(DT_HASH)))
        return damaged("its dynamic section lacks its tables");

    // Strings: NUL first and last, every name inside and not empty.
    const std::uint64_t strings = *tag(DT_STRTAB), stringsSize = *tag(DT_STRSZ);
    char ends[2] = {1, 1};
    if (stringsSize == 0 || !image.load(strings, ends[0]) || !image.load(strings + stringsSize - 1, ends[1]) ||
        ends[0] || ends[1])
        return damaged("its string table is not whole");
    for (const ElfW(Xword) name : names) {
        char first = 0;
        if (name >= stringsSize || !image.load(strings + name, first) || !first)
            return damaged("a library it names has no name");
    }

    // Symbols: as many as the hash tables hold.
    std::uint64_t symbols = 0;
    if (const std::optional<ElfW(Xword)> gnu = tag(DT_GNU_HASH)) {
        std::uint32_t head[4] = {};  // buckets, first hashed symbol, bloom words, bloom shift
        if (!image.load(*gnu, head) || head[0] == 0 || head[0] > kMaxTable / 4 || !std::has_single_bit(head[2]) ||
            head[3] >= 8 * sizeof(ElfW(Addr)))
            return damaged("its symbol hash table makes no sense");
        const std::uint64_t bucketsAt = *gnu + sizeof head + std::uint64_t(head[2]) * sizeof(ElfW(Addr));
        std::vector<std::uint32_t> buckets(head[0]);
        if (!image.load(bucketsAt, buckets.data(), buckets.size() * 4))
            return damaged("its symbol hash table lies outside the file");
        // The chain of the last bucket in use ends at the last symbol.
        symbols = *std::ranges::max_element(buckets);
        if (symbols != 0 && symbols < head[1])
            return damaged("its symbol hash table makes no sense");
        const std::uint64_t chainsAt = bucketsAt + buckets.size() * 4;
        for (std::uint32_t link = 0; symbols != 0 && !(link & 1); ++symbols) {
            if (symbols - head[1] > kMaxTable / 4 || !image.load(chainsAt + (symbols - head[1]) * 4, link))
                return damaged("its symbol hash table lies outside the file");
        }
        symbols = std::max<std::uint64_t>(symbols, head[1]);
    }
    if (const std::optional<ElfW(Xword)> sysv = tag(DT_HASH)) {
        std::uint32_t head[2] = {};  // buckets, chains (one per symbol)
        if (!image.load(*sysv, head) || head[0] == 0 || !image.fileAt(*sysv, (2 + std::uint64_t(head[0]) + head[1]) * 4))
            return damaged("its symbol hash table makes no sense");
        symbols = std::max<std::uint64_t>(symbols, head[1]);
    }
    if (!image.fileAt(*tag(DT_SYMTAB), symbols * sizeof(ElfW(Sym))) ||
        (tag(DT_VERSYM) && !image.fileAt(*tag(DT_VERSYM), symbols * sizeof(ElfW(Half)))))
        return damaged("its symbol table lies outside the file");

    if ((tag(DT_VERNEED) &&
         !versionsHold(image, *tag(DT_VERNEED), tag(DT_VERNEEDNUM).value_or(0), stringsSize, &ElfW(Verneed)::vn_cnt,
                       &ElfW(Verneed)::vn_aux, &ElfW(Verneed)::vn_next, &ElfW(Vernaux)::vna_name,
                       &ElfW(Vernaux)::vna_next)) ||
        (tag(DT_VERDEF) &&
         !versionsHold(image, *tag(DT_VERDEF), tag(DT_VERDEFNUM).value_or(0), stringsSize, &ElfW(Verdef)::vd_cnt,
                       &ElfW(Verdef)::vd_aux, &ElfW(Verdef)::vd_next, &ElfW(Verdaux)::vda_name,
                       &ElfW(Verdaux)::vda_next)))
        return damaged("its version records make no sense");

    // Relocations: each writes where it may (a writable segment, unless the
    // module asks to have its code relocated) for a symbol there is. The
    // first `relative` ones (DT_RELACOUNT) the loader applies without looking
    // at their kind; no relocation of the procedure linkage table is empty.
    // An empty one elsewhere the loader passes over.
    const bool textRelocations = tag(DT_TEXTREL) || (tag(DT_FLAGS).value_or(0) & DF_TEXTREL);
    const ElfW(Word) writable = textRelocations ? 0 : PF_W;
    const auto relocationsHold = [&](auto entry, ElfW(Sxword) table, ElfW(Sxword) size, std::uint64_t entrySize,
                                     std::uint64_t relative, bool plt) {
        const std::uint64_t bytes = tag(size).value_or(0);
        if (!tag(table))
            return true;
        if (entrySize != sizeof entry || bytes % sizeof entry != 0 || bytes > kMaxTable ||
            !image.fileAt(*tag(table), bytes))
            return false;
        std::vector<decltype(entry)> chunk(4096);
        for (std::uint64_t done = 0; done < bytes / sizeof entry;) {
            const std::uint64_t n = std::min<std::uint64_t>(chunk.size(), bytes / sizeof entry - done);
            if (!image.load(*tag(table) + done * sizeof entry, chunk.data(), n * sizeof entry))
                return false;
            for (std::uint64_t k = 0; k < n; ++k, ++done) {
                const std::uint64_t symbol = sizeof(void*) == 8 ? chunk[k].r_info >> 32 : chunk[k].r_info >> 8;
                const bool empty = chunk[k].r_info == 0 && done >= relative && !plt;
                if (!empty && (!image.mapped(chunk[k].r_offset, sizeof(ElfW(Addr)), writable) ||
                               symbol >= std::max<std::uint64_t>(symbols, 1)))
                    return false;
            }
        }
        return true;
    };
    const ElfW(Xword) plt = tag(DT_PLTREL).value_or(DT_RELA);
    if (!relocationsHold(ElfW(Rela){}, DT_RELA, DT_RELASZ, tag(DT_RELAENT).value_or(sizeof(ElfW(Rela))),
                         tag(DT_RELACOUNT).value_or(0), false) ||
        !relocationsHold(ElfW(Rel){}, DT_REL, DT_RELSZ, tag(DT_RELENT).value_or(sizeof(ElfW(Rel))),
                         tag(DT_RELCOUNT).value_or(0), false) ||
        (plt != DT_RELA && plt != DT_REL) ||
        !(plt == DT_RELA ? relocationsHold(ElfW(Rela){}, DT_JMPREL, DT_PLTRELSZ, sizeof(ElfW(Rela)), 0, true)
                         : relocationsHold(ElfW(Rel){}, DT_JMPREL, DT_PLTRELSZ, sizeof(ElfW(Rel)), 0, true)) ||
        (tag(DT_RELR) && !image.fileAt(*tag(DT_RELR), tag(DT_RELRSZ).value_or(0))))
        return damaged("its relocations make no sense");

    // What the loader calls and runs through: in the loaded segments.
    for (const auto& [array, size] : {std::pair(DT_INIT_ARRAY, DT_INIT_ARRAYSZ), std::pair(DT_FINI_ARRAY, DT_FINI_ARRAYSZ),
                                      std::pair(DT_PREINIT_ARRAY, DT_PREINIT_ARRAYSZ)}) {
        if (tag(array) && !image.mapped(*tag(array), tag(size).value_or(0)))
            return damaged("its start-up code lies outside it");
    }
    for (const ElfW(Sxword) code : {DT_INIT, DT_FINI}) {
        if (tag(code) && !image.mapped(*tag(code), 1, PF_X))
            return damaged("its start-up code lies outside it");
    }
    return {};
}

// Why the file, size bytes long, must not be handed to the loader (to follow
// its path), or an empty text. The loader maps what the headers name, and a
// page mapped past the file's end kills the process (SIGBUS) when touched: a
// copy cut short is refused before. Then what the loader reads must make
// sense (damage()).
QString unloadable(int fd, off_t size)
{
    const QString cut = QStringLiteral("is shorter than its headers say");
    Image image(fd, size);
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
    if (!image.within(head.e_phoff, std::uint64_t(head.e_phnum) * sizeof(ElfW(Phdr))))
        return cut;
    if (head.e_shoff != 0 && !image.within(head.e_shoff, std::uint64_t(std::max<int>(head.e_shnum, 1)) * head.e_shentsize))
        return cut;
    image.headers.resize(head.e_phnum);
    if (!image.read(head.e_phoff, image.headers.data(), image.headers.size() * sizeof(ElfW(Phdr))))
        return cut;
    for (const ElfW(Phdr)& segment : image.headers) {
        if (segment.p_type != PT_LOAD)
            continue;
        if (!image.within(segment.p_offset, segment.p_filesz))
            return cut;
        if (segment.p_filesz > segment.p_memsz)
            return QStringLiteral("is damaged (a segment is larger in the file than loaded)");
        image.loads.push_back(segment);
    }
    return damage(image);
}

Module unloaded(const QString& why, bool retry)
{
    return {nullptr, QStringLiteral("The HTTP component could not be loaded: %1").arg(why), retry};
}

// The shortage the loader's message ends with, or an empty text: it keeps
// no errno.
QString loaderShortage(const QString& message)
{
    for (const int error : {EMFILE, ENFILE, ENOMEM})
        if (message.endsWith(QString::fromLocal8Bit(strerror(error))))
            return shortage(error);
    return message.contains(QLatin1String("failed to map segment")) ? outOfMemory() : QString();
}

Module loadModule(const Accounts& accounts)
{
    const Layout where = layout();
    QString why = QStringLiteral("%1 was not found beside the program").arg(QLatin1String(kModuleFileName));
    if (where.fromRoot && where.starts.empty())
        why = QStringLiteral("without /proc the program's own file cannot be found");
    bool retry = where.fromRoot;
    for (const std::filesystem::path& start : where.starts) {
        const std::filesystem::path candidate = start / "lib/tidewell" / kModuleFileName;
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
            continue;
        std::vector<std::string> below;
        if (where.fromRoot)
            for (const std::filesystem::path& part : start.relative_path())
                below.push_back(part.string());
        below.insert(below.end(), {"lib", "tidewell", kModuleFileName});
        Opened module = openTrusted(where.fromRoot ? start.root_path() : start, below, where.trusted, accounts);
        if (const QString short_ = shortage(module.error); !short_.isEmpty())
            return unloaded(short_, true);
        if (!module.why.isEmpty()) {
            why = QStringLiteral("%1 is not trusted%2: %3")
                      .arg(shown(candidate), where.fromRoot ? QStringLiteral(" without /proc") : QString(), module.why);
            retry = retry || module.cannotTell;
            continue;
        }
        if (const QString reason = unloadable(module.file.get(), module.size); !reason.isEmpty()) {
            why = QStringLiteral("%1 %2").arg(shown(candidate), reason);
            continue;
        }
        // The very file checked: through its descriptor where /proc shows
        // it. Without, by its path once that is seen to name the file
        // judged: only root or the user could change a folder on the way.
        const std::string opened = where.fromRoot ? module.path.string() : "/proc/self/fd/" + std::to_string(module.file.get());
        struct stat judged {}, named {};
        if (where.fromRoot && (::fstat(module.file.get(), &judged) != 0 || ::stat(opened.c_str(), &named) != 0 ||
                               judged.st_dev != named.st_dev || judged.st_ino != named.st_ino)) {
            why = QStringLiteral("%1 was changed while it was checked").arg(shown(candidate));
            continue;
        }
        // Kept for the life of the process: libcurl and its TLS library are not unloaded.
        void* handle = nullptr;
        {
            const Doing doing(QStringLiteral("loading %1 has not ended").arg(shown(candidate)));
            handle = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
        if (!handle) {
            // The loader keeps no errno: its message ends with the reason.
            const QString reason = QString::fromLocal8Bit(dlerror()).remove(QString::fromStdString(opened + ": "));
            if (const QString short_ = loaderShortage(reason); !short_.isEmpty())
                return unloaded(short_, true);
            why = QStringLiteral("%1: %2").arg(shown(candidate), reason.isEmpty() ? QStringLiteral("unknown error") : reason);
            continue;
        }
        // Open as long as the module is loaded: the loader knows it by that name,
        // and so do debuggers and sanitizers that read its list.
        if (!where.fromRoot)
            module.file.release();
        if (void* make = dlsym(handle, kMakeTransportSymbol))
            return {reinterpret_cast<MakeTransport>(make), {}, false};
        why = QStringLiteral("%1 is not a transfer module of this program").arg(shown(candidate));
    }
    return unloaded(why, retry);
}

// On a thread of its own: loads the module, keeps a verdict, and tells
// those waiting.
void loadForTheProcess()
{
    Loader& l = loader();
    Module module;
    try {
        module = loadModule(*l.accounts);
    } catch (const std::bad_alloc&) {
        module = unloaded(outOfMemory(), true);
    }
    std::vector<std::function<void(const Module&)>> told;
    {
        const std::lock_guard lock(l.mutex);
        l.loading = false;
        if (!module.retry)
            l.kept = module;
        told.swap(l.waiting);
    }
    for (const auto& done : told)
        done(module);
}

} // namespace

void requestModule(std::function<void(const Module&)> done)
{
    Loader& l = loader();
    std::unique_lock lock(l.mutex);
    if (l.kept) {
        const Module kept = *l.kept;
        lock.unlock();
        return done(kept);
    }
    l.waiting.push_back(std::move(done));
    if (l.loading)
        return;
    if (!l.accounts)
        l.accounts = &systemAccounts();
    Module failed;
    try {
        std::thread(loadForTheProcess).detach();
        l.loading = true;
        return;
    } catch (const std::system_error&) {
        failed = unloaded(noThread(), true);
    } catch (const std::bad_alloc&) {
        failed = unloaded(outOfMemory(), true);
    }
    std::vector<std::function<void(const Module&)>> told;
    told.swap(l.waiting);
    lock.unlock();
    for (const auto& d : told)
        d(failed);
}

QString loadUnderWay()
{
    Loader& l = loader();
    const std::lock_guard lock(l.mutex);
    return !l.loading ? QString() : l.doing.isEmpty() ? QStringLiteral("it is still being loaded") : l.doing;
}

void setAccounts(const Accounts& accounts)
{
    Loader& l = loader();
    const std::lock_guard lock(l.mutex);
    l.accounts = &accounts;
}

} // namespace tw::host::http
