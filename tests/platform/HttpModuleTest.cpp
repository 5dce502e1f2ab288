// The HTTP client's transfer module: loaded with the first transfer, found
// only beside the running program, and its absence a plain failure.

#include "support/LocalHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tw {
namespace {

constexpr int kDeadlineMs = 60000;

class HttpModuleTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    test::LocalHttpServer server;

    QString path(const QString& relative) const { return tmp.filePath(relative); }

    // Puts a file at relative, its folders made.
    void place(const QString& source, const QString& relative)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
        ASSERT_TRUE(QFile::copy(source, path(relative))) << relative.toStdString();
    }

    // Runs the probe copied to relative, from workingDir, serving meanwhile;
    // its output.
    QString runProbe(const QString& relative, const QString& workingDir, const QProcessEnvironment& env = {})
    {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::MergedChannels);
        probe.setWorkingDirectory(workingDir);
        if (!env.isEmpty())
            probe.setProcessEnvironment(env);
        probe.start(path(relative), {server.url("/feed.xml").toString()});
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
    ASSERT_TRUE(QDir().mkpath(path("broken/lib/tidewell")));
    QFile fake(path("broken/lib/tidewell/tidewell-http.so"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a library");
    fake.close();
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

} // namespace
} // namespace tw
