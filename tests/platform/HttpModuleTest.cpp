// The HTTP client's transfer module: loaded with the first transfer, found
// only beside the running program where no one else could have put it, and
// its absence or damage a plain failure.

#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace tw {
namespace {

constexpr int kDeadlineMs = 60000;

// The module as built, and its headers as the loader reads them.
struct BuiltModule {
    QByteArray bytes;
    ElfW(Ehdr) head{};
    std::vector<ElfW(Phdr)> segments;
    std::vector<ElfW(Dyn)> dynamic;  // up to its end

    BuiltModule()
    {
        QFile built(TIDEWELL_HTTP_MODULE);
        if (built.open(QIODevice::ReadOnly))
            bytes = built.readAll();
        head = at<ElfW(Ehdr)>(0);
        for (int i = 0; i < head.e_phnum; ++i)
            segments.push_back(at<ElfW(Phdr)>(head.e_phoff + i * sizeof(ElfW(Phdr))));
        if (const ElfW(Phdr)* d = segment(PT_DYNAMIC))
            for (std::uint64_t entry = d->p_offset; at<ElfW(Dyn)>(entry).d_tag != DT_NULL; entry += sizeof(ElfW(Dyn)))
                dynamic.push_back(at<ElfW(Dyn)>(entry));
    }

    // What lies at offset, or zeroes past the end.
    template <typename T>
    T at(std::uint64_t offset) const
    {
        T h{};
        if (offset + sizeof h <= std::uint64_t(bytes.size()))
            std::memcpy(&h, bytes.constData() + offset, sizeof h);
        return h;
    }
    // Where the program headers end.
    std::uint64_t headersEnd() const { return head.e_phoff + std::uint64_t(head.e_phnum) * sizeof(ElfW(Phdr)); }
    // The first or last segment of a type.
    const ElfW(Phdr)* segment(ElfW(Word) type, bool last = false) const
    {
        const ElfW(Phdr)* found = nullptr;
        for (const ElfW(Phdr)& s : segments)
            if (s.p_type == type && (!found || last))
                found = &s;
        return found;
    }
    // The value of the dynamic section's tag, or 0; its entry's index.
    std::uint64_t tag(ElfW(Sxword) t) const
    {
        const auto entry = std::ranges::find(dynamic, t, &ElfW(Dyn)::d_tag);
        return entry == dynamic.end() ? 0 : entry->d_un.d_val;
    }
    qsizetype tagIndex(ElfW(Sxword) t) const { return std::ranges::find(dynamic, t, &ElfW(Dyn)::d_tag) - dynamic.begin(); }
    // Where an address a loaded segment maps from the file lies in it.
    std::optional<std::uint64_t> offsetOf(std::uint64_t address) const
    {
        for (const ElfW(Phdr)& s : segments)
            if (s.p_type == PT_LOAD && address >= s.p_vaddr && address - s.p_vaddr < s.p_filesz)
                return s.p_offset + (address - s.p_vaddr);
        return std::nullopt;
    }
};

class HttpModuleTest : public ::testing::Test {
protected:
    // The files in a temporary folder in where.
    explicit HttpModuleTest(const QString& where = QDir::tempPath()) : tmp(where + "/test_platform-XXXXXX") {}

    QTemporaryDir tmp;
    test::LocalHttpServer server;

    // As the running program sees it: links resolved.
    QString path(const QString& relative) const { return QDir(tmp.path()).canonicalPath() + '/' + relative; }

    // Puts a file at relative, its folders made.
    void place(const QString& source, const QString& relative)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
        ASSERT_TRUE(QFile::copy(source, path(relative))) << relative.toStdString();
    }

    void write(const QString& relative, const QByteArray& data)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(data), data.size());
    }

    // Writes bytes as the module.
    static std::function<void(const QString& module)> writing(const QByteArray& bytes)
    {
        return [bytes](const QString& module) {
            QFile file(module);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(bytes), bytes.size());
        };
    }

    // The probe's first answer from prefix/bin/probe, its module placed as
    // prefix/lib/tidewell/tidewell-http.so by place().
    QString firstAnswer(const QString& prefix, const std::function<void(const QString& module)>& place)
    {
        this->place(TIDEWELL_HTTP_PROBE, prefix + "/bin/probe");
        const QString module = path(prefix + "/lib/tidewell/tidewell-http.so");
        EXPECT_TRUE(QDir().mkpath(QFileInfo(module).path()));
        place(module);
        const QString out = runProbe(prefix + "/bin/probe", tmp.path());
        const qsizetype from = out.indexOf("first: "), to = out.indexOf('\n', from);
        return from < 0 ? out : out.mid(from, to - from).replace(module, "<module>");
    }

    // Runs the probe copied to relative, from workingDir, serving meanwhile;
    // its output. inChild runs in the probe's process before it starts.
    QString runProbe(const QString& relative, const QString& workingDir, const QProcessEnvironment& env = {},
                     const QStringList& more = {}, const std::function<void()>& inChild = {})
    {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::MergedChannels);
        probe.setWorkingDirectory(workingDir);
        if (!env.isEmpty())
            probe.setProcessEnvironment(env);
        if (inChild)
            probe.setChildProcessModifier(inChild);
        probe.start(path(relative), QStringList{server.url("/feed.xml").toString()} + more);
        const bool ended = QTest::qWaitFor([&] { return probe.state() == QProcess::NotRunning; }, kDeadlineMs);
        const QString out = QString::fromLocal8Bit(probe.readAll());
        EXPECT_TRUE(ended) << out.toStdString();
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << out.toStdString();
        EXPECT_EQ(probe.exitCode(), 0) << out.toStdString();
        return out;
    }
};

TEST_F(HttpModuleTest, LoadedWithTheFirstTransferFromBesideTheProgramOnly)
{
    ASSERT_TRUE(tmp.isValid());
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    place(TIDEWELL_HTTP_PROBE, "installed/bin/probe");
    place(TIDEWELL_HTTP_MODULE, "installed/lib/tidewell/tidewell-http.so");
    const QString answered = runProbe("installed/bin/probe", tmp.path());
    EXPECT_TRUE(answered.contains("before: unmapped\nfirst: answered \nsecond: answered \nafter: mapped"))
        << answered.toStdString();

    // Not from the working folder, nor from a path the environment names.
    place(TIDEWELL_HTTP_PROBE, "bare/bin/probe");
    for (const char* planted : {"planted/bin/tidewell-http.so", "planted/bin/lib/tidewell/tidewell-http.so",
                                   "planted/lib/tidewell/tidewell-http.so"})
        place(TIDEWELL_HTTP_MODULE, planted);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_LIBRARY_PATH", path("planted/bin"));
    const QString missing = runProbe("bare/bin/probe", path("planted/bin"), env);
    const QString why = "failed The HTTP component could not be loaded: tidewell-http.so was not found beside "
                        "the program";
    EXPECT_TRUE(missing.contains("before: unmapped\nfirst: " + why + "\nsecond: " + why + "\nafter: unmapped"))
        << missing.toStdString();
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpModuleTest, AModuleThatCannotBeLoadedFailsEveryTransfer)
{
    ASSERT_TRUE(tmp.isValid());
    place(TIDEWELL_HTTP_PROBE, "broken/bin/probe");
    write("broken/lib/tidewell/tidewell-http.so", "not a library");
    const QString out = runProbe("broken/bin/probe", tmp.path());
    const QStringList lines = out.split('\n');
    ASSERT_GE(lines.size(), 4) << out.toStdString();
    for (const QString& line : lines.mid(1, 2)) {
        EXPECT_TRUE(line.contains("failed The HTTP component could not be loaded: ")) << out.toStdString();
        EXPECT_TRUE(line.contains(path("broken/lib/tidewell/tidewell-http.so"))) << out.toStdString();
    }
    EXPECT_EQ(lines[3], "after: unmapped");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpModuleTest, AModuleWhereOthersCouldHavePutItIsPassedOver)
{
    ASSERT_TRUE(tmp.isValid());
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    // A build folder made right in a folder anyone may add to, as /tmp: the
    // build's own module is loaded, not the one put above it.
    place(TIDEWELL_HTTP_PROBE, "shared/build/probe");
    place(TIDEWELL_HTTP_MODULE, "shared/build/lib/tidewell/tidewell-http.so");
    place(TIDEWELL_HTTP_MODULE, "shared/lib/tidewell/tidewell-http.so");
    ASSERT_EQ(::chmod(QFile::encodeName(path("shared")).constData(), 01777), 0);
    const QString built = runProbe("shared/build/probe", tmp.path());
    EXPECT_TRUE(built.contains("second: answered \nafter: mapped\nmodule: " +
                               path("shared/build/lib/tidewell/tidewell-http.so") + "\n"))
        << built.toStdString();

    // A program copied straight into that folder has none left.
    place(TIDEWELL_HTTP_PROBE, "shared/probe");
    const QString copied = runProbe("shared/probe", tmp.path());
    const QString why = "failed The HTTP component could not be loaded: " + path("shared/lib/tidewell/tidewell-http.so") +
                        " is not trusted: other users may write to " + path("shared");
    EXPECT_TRUE(copied.contains("first: " + why + "\nsecond: " + why + "\nafter: unmapped")) << copied.toStdString();

    // A folder further down that its group may write to is trusted only when
    // that group holds no one but the user, as root's own group does here;
    // nogroup holds others by primary group (as another user, the test
    // cannot give a folder to a group of someone else).
    const group* rootGroup = ::getgrgid(0);
    if (::geteuid() != 0 || !rootGroup || rootGroup->gr_mem[0] || !::getgrgid(65534))
        return;
    const QByteArray lib = QFile::encodeName(path("shared/build/lib/tidewell"));
    ASSERT_EQ(::chmod(lib.constData(), 0775), 0);
    ASSERT_EQ(::chown(lib.constData(), uid_t(-1), 0), 0);
    const QString own = runProbe("shared/build/probe", tmp.path());
    EXPECT_TRUE(own.contains("second: answered \nafter: mapped\n")) << own.toStdString();
    ASSERT_EQ(::chown(lib.constData(), uid_t(-1), 65534), 0);
    const QString grouped = runProbe("shared/build/probe", tmp.path());
    EXPECT_TRUE(grouped.contains("other users may write to " + path("shared/build/lib/tidewell") + " (the group " +
                                 ::getgrgid(65534)->gr_name + ")\nafter: unmapped"))
        << grouped.toStdString();
}

// Lets the account `other` read and write file through an access ACL entry,
// as setfacl -m u:<other>:rw- does; false where the file system has no ACLs.
bool grantWrite(const QString& file, uid_t other)
{
    // The kernel's form, little-endian: version 2, then each entry's tag,
    // permissions and id (owner, the user, owning group, mask, others).
    const std::uint32_t entries[][3] = {{0x01, 6, ~0u}, {0x02, 6, other}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
    QByteArray acl;
    const auto put = [&acl](std::uint32_t value, int bytes) {
        for (int k = 0; k < bytes; ++k)
            acl += char(value >> (8 * k) & 0xff);
    };
    put(2, 4);
    for (const auto& [tag, perm, id] : entries) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    if (::setxattr(QFile::encodeName(file).constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0)
        return true;
    EXPECT_EQ(errno, EOPNOTSUPP) << file.toStdString();
    return false;
}

TEST_F(HttpModuleTest, AModuleOnlyRootTheUserOrTheProgramsOwnerCouldChangeIsLoaded)
{
    ASSERT_TRUE(tmp.isValid());
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    const QString loaded = "first: answered ";
    const QString refused = "first: failed The HTTP component could not be loaded: <module> is not trusted: ";
    const auto whole = [](const QString& module) { ASSERT_TRUE(QFile::copy(TIDEWELL_HTTP_MODULE, module)); };
    const auto chown = [this](const QString& relative, uid_t owner, gid_t group) {
        ASSERT_EQ(::chown(QFile::encodeName(path(relative)).constData(), owner, group), 0) << relative.toStdString();
    };
    const auto chmod = [this](const QString& relative, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(path(relative)).constData(), mode), 0) << relative.toStdString();
    };

    // A link below the program's folder is not followed.
    EXPECT_EQ(firstAnswer("linked",
                          [&](const QString& module) {
                              whole(module);
                              const QString folder = QFileInfo(module).path();
                              ASSERT_TRUE(QDir().rename(folder, path("elsewhere")));
                              ASSERT_TRUE(QFile::link(path("elsewhere"), folder));
                          }),
              refused + path("linked/lib/tidewell") + " is a link");

    // An ACL entry that lets another account write shows in the mode as
    // group write (its mask), not as that account.
    bool acl = false;
    const QString granted = firstAnswer("acl", [&](const QString& module) {
        whole(module);
        chmod("acl/lib/tidewell/tidewell-http.so", 0644);
        acl = grantWrite(module, 65534);
    });
    if (acl) {
        EXPECT_EQ(QFileInfo(path("acl/lib/tidewell/tidewell-http.so")).permissions() & QFile::WriteGroup, QFile::WriteGroup);
        EXPECT_EQ(granted, refused + "other users may write to it (its ACL)");
    }

    if (::geteuid() != 0)
        return;  // as another user, the test cannot give files away
    // Made under umask 002: the user's own group, holding no one else, may write.
    EXPECT_EQ(firstAnswer("umask002",
                          [&](const QString& module) {
                              whole(module);
                              for (const char* folder : {"umask002", "umask002/lib", "umask002/lib/tidewell"}) {
                                  chown(folder, uid_t(-1), 0);
                                  chmod(folder, 0775);
                              }
                              chown("umask002/lib/tidewell/tidewell-http.so", uid_t(-1), 0);
                              chmod("umask002/lib/tidewell/tidewell-http.so", 0664);
                          }),
              loaded);
    // Installed by another account, everything its own and 0755: its program
    // decides what runs anyway.
    const uid_t other = 65534;
    const QStringList theirs = {"theirs", "theirs/bin", "theirs/bin/probe", "theirs/lib", "theirs/lib/tidewell",
                                "theirs/lib/tidewell/tidewell-http.so"};
    EXPECT_EQ(firstAnswer("theirs",
                          [&](const QString& module) {
                              whole(module);
                              for (const QString& file : theirs)
                                  chown(file, other, other);
                          }),
              loaded);
    // Another account's file or folder in the user's install.
    EXPECT_EQ(firstAnswer("foreignFolder",
                          [&](const QString& module) {
                              whole(module);
                              chown("foreignFolder/lib", other, other);
                          }),
              refused + path("foreignFolder/lib") + " belongs to another user");
    EXPECT_EQ(firstAnswer("foreignFile",
                          [&](const QString& module) {
                              whole(module);
                              chown("foreignFile/lib/tidewell/tidewell-http.so", other, other);
                          }),
              refused + "it belongs to another user");
}

TEST_F(HttpModuleTest, AModuleCutShortIsRefusedBeforeTheLoaderMapsIt)
{
    ASSERT_TRUE(tmp.isValid());
    const BuiltModule built;
    const ElfW(Phdr)* first = built.segment(PT_LOAD);
    const ElfW(Phdr)* last = built.segment(PT_LOAD, true);
    ASSERT_TRUE(first && last && first->p_filesz > built.headersEnd());
    // As an interrupted copy or a full disk leaves it: cut inside its header,
    // its program headers, its first loaded segment.
    for (const std::uint64_t size : {sizeof(ElfW(Ehdr)) / 2, built.headersEnd() - 1,
                                     first->p_offset + first->p_filesz / 2}) {
        const QString prefix = QStringLiteral("cut%1/").arg(size);
        place(TIDEWELL_HTTP_PROBE, prefix + "bin/probe");
        write(prefix + "lib/tidewell/tidewell-http.so", built.bytes.left(qsizetype(size)));
        const QString out = runProbe(prefix + "bin/probe", tmp.path());
        EXPECT_TRUE(out.contains("first: failed The HTTP component could not be loaded: " +
                                 path(prefix + "lib/tidewell/tidewell-http.so") +
                                 " is shorter than its headers say\n"))
            << out.toStdString();
        EXPECT_TRUE(out.contains("after: unmapped\n")) << out.toStdString();
    }
    EXPECT_TRUE(server.requests().empty());

    // Cut inside a loaded segment, past everything the loader reads first,
    // with no section headers to give the cut away; and cut only inside its
    // section headers. Whole, the copy without section headers loads.
    const QByteArray& whole = built.bytes;
    const ElfW(Ehdr)& head = built.head;
    ASSERT_EQ(head.e_shoff + std::uint64_t(head.e_shnum) * head.e_shentsize, std::uint64_t(whole.size()));
    QByteArray sectionless = whole;
    ElfW(Ehdr) bare = head;
    bare.e_shoff = bare.e_shnum = bare.e_shstrndx = 0;
    std::memcpy(sectionless.data(), &bare, sizeof bare);
    const auto cutAt = [](const QByteArray& bytes, std::uint64_t size) { return writing(bytes.left(qsizetype(size))); };
    const QString cut = "first: failed The HTTP component could not be loaded: <module> is shorter than its headers say";
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    EXPECT_EQ(firstAnswer("sectionless", cutAt(sectionless, whole.size())), "first: answered ");
    EXPECT_EQ(firstAnswer("cutInSegment", cutAt(sectionless, last->p_offset + last->p_filesz - 1)), cut);
    EXPECT_EQ(firstAnswer("cutInSections", cutAt(whole, whole.size() - 1)), cut);
}

TEST_F(HttpModuleTest, AModuleDamagedInsideOrNoFileIsRefusedBeforeTheLoaderReadsIt)
{
    ASSERT_TRUE(tmp.isValid());
    const BuiltModule built;
    const QByteArray& whole = built.bytes;
    const ElfW(Phdr)* dynamic = built.segment(PT_DYNAMIC);
    ASSERT_TRUE(dynamic && built.tagIndex(DT_STRTAB) < qsizetype(built.dynamic.size()));
    // As a power loss during an upgrade leaves it: its length, kept up to the
    // end of its headers, to its dynamic section, to that section's entry of
    // the string table; the rest zeroed.
    const auto kept = [&whole](std::uint64_t bytes, qint64 length) {
        return [&whole, bytes, length](const QString& module) {
            QFile file(module);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(whole.left(qsizetype(bytes))), qint64(bytes));
            ASSERT_TRUE(file.resize(length));
        };
    };
    const QRegularExpression damaged("^first: failed The HTTP component could not be loaded: <module> is damaged \\(.+\\)$");
    const std::uint64_t ends[] = {built.headersEnd(), dynamic->p_offset,
                                  dynamic->p_offset + built.tagIndex(DT_STRTAB) * sizeof(ElfW(Dyn))};
    for (const std::uint64_t bytes : ends)
        EXPECT_TRUE(damaged.match(firstAnswer(QStringLiteral("zeroed%1").arg(bytes), kept(bytes, whole.size()))).hasMatch())
            << bytes;
    const QString sparse = firstAnswer("sparse", kept(built.headersEnd(), qint64(64) << 30));
    EXPECT_TRUE(damaged.match(sparse).hasMatch()) << sparse.toStdString();

    // Zeroed where only its relocations lie, the dynamic section whole.
    const std::uint64_t relocationsSize = built.tag(DT_RELASZ);
    const std::optional<std::uint64_t> relocations = built.offsetOf(built.tag(DT_RELA));
    ASSERT_GT(relocationsSize, 0u);
    ASSERT_TRUE(relocations);
    QByteArray unrelocated = whole;
    std::memset(unrelocated.data() + *relocations, 0, relocationsSize);
    const QString zeroed = firstAnswer("unrelocated", writing(unrelocated));
    EXPECT_TRUE(damaged.match(zeroed).hasMatch()) << zeroed.toStdString();

    // A FIFO there is not opened to wait for a writer.
    EXPECT_EQ(firstAnswer("fifo",
                          [](const QString& module) { ASSERT_EQ(::mkfifo(QFile::encodeName(module).constData(), 0644), 0); }),
              "first: failed The HTTP component could not be loaded: <module> is not trusted: it is not a regular file");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpModuleTest, AModuleWhoseSegmentIsLargerInTheFileThanLoadedIsRefused)
{
    // No linker writes such a header: refused, whatever the loader would make of it.
    ASSERT_TRUE(tmp.isValid());
    const BuiltModule built;
    QByteArray grown = built.bytes;
    const ElfW(Phdr)* data = built.segment(PT_LOAD, true);
    ASSERT_TRUE(data && data->p_offset + data->p_memsz + 1 <= std::uint64_t(grown.size()));
    ElfW(Phdr) edited = *data;
    edited.p_filesz = edited.p_memsz + 1;
    std::memcpy(grown.data() + built.head.e_phoff + (data - built.segments.data()) * sizeof edited, &edited, sizeof edited);
    EXPECT_EQ(firstAnswer("grown", writing(grown)),
              "first: failed The HTTP component could not be loaded: <module> is damaged (a segment is larger in the "
              "file than loaded)");
}

TEST_F(HttpModuleTest, TransfersStartedOutOfDescriptorsStillWakeAtOnce)
{
    // The module keeps a descriptor of its own; with two free, libcurl goes
    // without the wake-up of its waits, with fewer the first transfer fails
    // for want of them, which is no verdict on the module: the next loads it.
    // Whatever was free, a request, a cancellation and the end are acted on
    // at once, far sooner than the client's longest sleep (a minute) or the
    // requests' own timeout (30 s).
    ASSERT_TRUE(tmp.isValid());
    server.route("/feed.xml", test::Reply::ok("fifteen bytes!!"));
    place(TIDEWELL_HTTP_STARVED_PROBE, "installed/bin/probe");
    place(TIDEWELL_HTTP_MODULE, "installed/lib/tidewell/tidewell-http.so");
    constexpr int kPrompt = 10'000;
    const QRegularExpression took(QStringLiteral("(second|cancelled|ended).* in (\\d+) ms"));
    for (const int free : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(free);
        const QString out = runProbe("installed/bin/probe", tmp.path(), {}, {QString::number(free)});
        int measured = 0;
        for (auto m = took.globalMatch(out); m.hasNext(); ++measured) {
            const auto line = m.next();
            EXPECT_LT(line.captured(2).toInt(), kPrompt) << out.toStdString();
        }
        EXPECT_TRUE(out.contains("second: answered fifteen bytes!! in ")) << out.toStdString();
        // Out of them at the connection's socket too (with three free), the
        // failure says so, not that the server could not be reached.
        EXPECT_TRUE(out.startsWith("first: answered \n") || out.section('\n', 0, 0).endsWith("the program is out of file descriptors"))
            << out.toStdString();
        EXPECT_EQ(measured, 3) << out.toStdString();
        if (free < 2) {
            EXPECT_TRUE(out.startsWith("first: failed The HTTP component could not be loaded: the program is out of "
                                       "file descriptors\n"))
                << out.toStdString();
        }
    }
}

// Makes the probe's process the account nobody's, for what root never
// sees: the thread limit, and a program file no one of its own owns.
constexpr uid_t kNobody = 65534;
void becomeNobody()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        ::_exit(126);
}

class HttpModuleShortageTest : public HttpModuleTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        // Reached by nobody too.
        ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
        server.route("/feed.xml", test::Reply::ok("<rss/>"));
        place(TIDEWELL_HTTP_SHORTAGE_PROBE, "installed/bin/probe");
        place(TIDEWELL_HTTP_MODULE, "installed/lib/tidewell/tidewell-http.so");
        // Its group may write to the module's folder: the check looks the
        // group's members up.
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0775), 0);
    }

    // The output of the probe (HttpShortageProbe.cpp) in mode.
    QString run(const QString& mode, const std::function<void()>& inChild = {}, const QStringList& more = {})
    {
        return runProbe("installed/bin/probe", tmp.path(), {}, QStringList{mode} + more, inChild);
    }

    const QString folder = path("installed/lib/tidewell");
};

TEST_F(HttpModuleShortageTest, AStalledLookUpHoldsUpOnlyTheRequestsMadeMeanwhileAndOnlyTillTheirDeadline)
{
    const QString stalled = QStringLiteral("failed The HTTP component could not be loaded in time: the look-up of "
                                           "group %1, for who may write to %2, has not answered\n")
                                .arg(QFileInfo(folder).groupId())
                                .arg(folder);
    // Each request fails at its own deadline (1 s); the look-up is not asked
    // twice; the client ends, and so does the program, while it waits. Once
    // it answers, the next request is served.
    const QString out = run("stall");
    EXPECT_TRUE(out.contains("first: " + stalled + "second: " + stalled + "look-ups: 1\nended\nthird: answered \n"))
        << out.toStdString();
    const QString quit = run("quit");
    EXPECT_TRUE(quit.endsWith("second: " + stalled + "look-ups: 1\nended\n")) << quit.toStdString();
}

TEST_F(HttpModuleShortageTest, RunningOutOfDescriptorsSystemWideAtTheLoadIsNoVerdict)
{
    const QString out = run("enfile");
    EXPECT_TRUE(out.contains("first: failed The HTTP component could not be loaded: the program is out of file "
                             "descriptors\nsecond: answered \nlook-ups: 2\n"))
        << out.toStdString();
}

TEST_F(HttpModuleShortageTest, ALookUpThatFailedIsNoVerdict)
{
    const QString out = run("eio");
    EXPECT_TRUE(out.contains("first: failed The HTTP component could not be loaded: " + folder +
                             "/tidewell-http.so is not trusted: cannot tell who may write to " + folder + ": " +
                             QString::fromLocal8Bit(strerror(EIO)) + "\nsecond: answered \nlook-ups: 2\n"))
        << out.toStdString();
}

TEST_F(HttpModuleShortageTest, ARequestThatFindsNoThreadFailsSayingSoAndTheNextIsServed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the thread limit does not hold for root, and only root can run the probe as another account";
    const QString noThread = "the program could not start a thread";
    const QString out = run("threads", becomeNobody);
    // By the module's load, then by a second client's transfer thread.
    EXPECT_TRUE(out.contains("first: failed The HTTP component could not be loaded: " + noThread +
                             "\nsecond: answered \nthird: failed The HTTP component could not be started: " + noThread +
                             "\n"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("fifth: answered \n")) << out.toStdString();
    // libcurl's look-up of a name, where this computer's own name is 127.0.0.1.
    if (out.contains("fourth: ")) {
        EXPECT_TRUE(out.contains("fourth: failed Could not look up " + QHostInfo::localHostName() + ": " + noThread +
                                 "\nfifth: answered \nsixth: answered \n"))
            << out.toStdString();
    }
}

TEST_F(HttpModuleShortageTest, ARequestThatFindsTheAddressSpaceFullFailsSayingSoAndTheNextIsServed)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer ends a process that runs out of memory";
#endif
    // At these sizes making a thread, loading the libraries the module
    // needs, setting libcurl up or posting an answer fails, as it happens.
    const QRegularExpression first("\\bfirst: (answered |failed .*(the program is out of memory|the program could not "
                                   "start a thread))\\nsecond: answered \\n");
    for (const int mib : {0, 1, 4, 8, 16, 32}) {
        const QString out = run("memory", {}, {QString::number(mib)});
        EXPECT_TRUE(first.match(out).hasMatch()) << mib << " MiB: " << out.toStdString();
    }
}

TEST_F(HttpModuleShortageTest, RootIsTrustedWhenNeitherTheUserNorTheProgramsOwnerIsRoot)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run the probe as another account";
    // The program file is a third account's; every folder and the module root's.
    place(TIDEWELL_HTTP_PROBE, "other/bin/probe");
    place(TIDEWELL_HTTP_MODULE, "other/lib/tidewell/tidewell-http.so");
    ASSERT_EQ(::chown(QFile::encodeName(path("other/bin/probe")).constData(), 1500, 1500), 0);
    const QString out = runProbe("other/bin/probe", tmp.path(), {}, {}, becomeNobody);
    EXPECT_TRUE(out.contains("first: answered \n")) << out.toStdString();
}

// Takes /proc away from this process: a mount namespace of its own, /proc
// unmounted in it. False where the system does not let it.
bool unmountProc()
{
    struct stat st {};
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::umount2("/proc", MNT_DETACH) == 0 && ::stat("/proc/self", &st) != 0;
}

// Its files beside the test program, in the build folder.
class HttpModuleWithoutProcTest : public HttpModuleTest {
protected:
    HttpModuleWithoutProcTest() : HttpModuleTest(QCoreApplication::applicationDirPath()) {}
};

TEST_F(HttpModuleWithoutProcTest, TheModuleIsLoadedByItsPathWhereOnlyRootOrTheUserCouldChangeIt)
{
    ASSERT_TRUE(tmp.isValid());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(unmountProc() ? 0 : 77);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        GTEST_SKIP() << "no mount namespace without /proc can be made here";
    for (QDir folder(path("")); !folder.isRoot(); folder.cdUp()) {
        const QFileInfo info(folder.path());
        if (info.permissions() & (QFile::WriteGroup | QFile::WriteOther) || (info.ownerId() != 0 && info.ownerId() != ::geteuid()))
            GTEST_SKIP() << "the build folder lies where others may write: " << folder.path().toStdString();
    }
    const auto withoutProc = [] {
        if (!unmountProc())
            ::_exit(126);
    };
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    place(TIDEWELL_HTTP_PROBE, "installed/bin/probe");
    place(TIDEWELL_HTTP_MODULE, "installed/lib/tidewell/tidewell-http.so");
    const QString loaded = runProbe("installed/bin/probe", tmp.path(), {}, {}, withoutProc);
    EXPECT_TRUE(loaded.contains("first: answered \nsecond: answered \n")) << loaded.toStdString();

    // Anyone may add to a folder on the way: a file could be put in the
    // place of the one checked before it is loaded by its path.
    place(TIDEWELL_HTTP_PROBE, "shared/installed/bin/probe");
    place(TIDEWELL_HTTP_MODULE, "shared/installed/lib/tidewell/tidewell-http.so");
    ASSERT_EQ(::chmod(QFile::encodeName(path("shared")).constData(), 01777), 0);
    const QString refused = runProbe("shared/installed/bin/probe", tmp.path(), {}, {}, withoutProc);
    EXPECT_TRUE(refused.contains("first: failed The HTTP component could not be loaded: " +
                                 path("shared/installed/lib/tidewell/tidewell-http.so") +
                                 " is not trusted without /proc: other users may write to " + path("shared") + "\n"))
        << refused.toStdString();
}

} // namespace
} // namespace tw
