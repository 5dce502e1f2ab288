// The HTTP client's transfer module: loaded with the first transfer, found
// only beside the running program where no one else could have put it, and
// its absence or damage a plain failure.

#include "support/LocalHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {
namespace {

constexpr int kDeadlineMs = 60000;

class HttpModuleTest : public ::testing::Test {
protected:
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

    // Runs the probe copied to relative, from workingDir, serving meanwhile;
    // its output.
    QString runProbe(const QString& relative, const QString& workingDir, const QProcessEnvironment& env = {},
                     const QStringList& more = {})
    {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::MergedChannels);
        probe.setWorkingDirectory(workingDir);
        if (!env.isEmpty())
            probe.setProcessEnvironment(env);
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
    // that group is the user's alone, as root's own group is (as another
    // user, the test cannot give a folder to a group of someone else).
    const group* rootGroup = ::getgrgid(0);
    if (::geteuid() != 0 || !rootGroup || rootGroup->gr_mem[0])
        return;
    const QByteArray lib = QFile::encodeName(path("shared/build/lib/tidewell"));
    ASSERT_EQ(::chmod(lib.constData(), 0775), 0);
    ASSERT_EQ(::chown(lib.constData(), uid_t(-1), 0), 0);
    const QString own = runProbe("shared/build/probe", tmp.path());
    EXPECT_TRUE(own.contains("second: answered \nafter: mapped\n")) << own.toStdString();
    ASSERT_EQ(::chown(lib.constData(), uid_t(-1), 65534), 0);
    const QString grouped = runProbe("shared/build/probe", tmp.path());
    EXPECT_TRUE(grouped.contains("other users may write to " + path("shared/build/lib/tidewell") + "\nafter: unmapped"))
        << grouped.toStdString();
}

TEST_F(HttpModuleTest, AModuleCutShortIsRefusedBeforeTheLoaderMapsIt)
{
    ASSERT_TRUE(tmp.isValid());
    QFile built(TIDEWELL_HTTP_MODULE);
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const QByteArray whole = built.readAll();
    // As an interrupted copy or a full disk leaves it.
    for (const int size : {1000, 12000, 30000}) {
        const QString prefix = QStringLiteral("cut%1/").arg(size);
        place(TIDEWELL_HTTP_PROBE, prefix + "bin/probe");
        write(prefix + "lib/tidewell/tidewell-http.so", whole.left(size));
        const QString out = runProbe(prefix + "bin/probe", tmp.path());
        EXPECT_TRUE(out.contains("first: failed The HTTP component could not be loaded: " +
                                 path(prefix + "lib/tidewell/tidewell-http.so") +
                                 " is shorter than its headers say\n"))
            << out.toStdString();
        EXPECT_TRUE(out.contains("after: unmapped\n")) << out.toStdString();
    }
    EXPECT_TRUE(server.requests().empty());
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
        EXPECT_EQ(measured, 3) << out.toStdString();
        if (free < 2) {
            EXPECT_TRUE(out.startsWith("first: failed The HTTP component could not be loaded: the program is out of "
                                       "file descriptors\n"))
                << out.toStdString();
        }
    }
}

} // namespace
} // namespace tw
