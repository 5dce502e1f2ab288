#include "platform/HostServices.h"
#include "support/MacTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tw;

namespace {

QStringList g_messages;

void record(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

// PATH, $BROWSER and $DEFAULT_BROWSER for one test, and every message Qt
// prints meanwhile; all put back afterwards.
struct DesktopEnvironment : ::testing::Test {
    QByteArray path = qgetenv("PATH");
    QByteArray browser = qgetenv("BROWSER");
    QByteArray defaultBrowser = qgetenv("DEFAULT_BROWSER");
    QtMessageHandler previous = qInstallMessageHandler(record);
    test::MacTree tree;
    std::unique_ptr<Workspace> workspace = host::makeWorkspace(tree.fs());
    QTemporaryDir bin;

    DesktopEnvironment()
    {
        g_messages.clear();
        qputenv("PATH", bin.path().toLocal8Bit());
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
    }
    ~DesktopEnvironment() override
    {
        qInstallMessageHandler(previous);
        qputenv("PATH", path);
        browser.isNull() ? qunsetenv("BROWSER") : qputenv("BROWSER", browser);
        defaultBrowser.isNull() ? qunsetenv("DEFAULT_BROWSER") : qputenv("DEFAULT_BROWSER", defaultBrowser);
    }

    // An executable of that name in the test's PATH.
    void addLauncher(const QString& name)
    {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

} // namespace

TEST_F(DesktopEnvironment, WithoutALauncherNothingOpensAndNothingIsPrinted)
{
    // A browser variable naming a program that is not there counts as none.
    qputenv("BROWSER", "no-such-browser");
    workspace->open(QUrl(QStringLiteral("https://example.com/")));
    workspace->open(QUrl(QStringLiteral("macappstore://itunes.apple.com/app/id1")));
    workspace->openPath(tree.home() + QStringLiteral("/Library"));
    workspace->reveal(tree.home() + QStringLiteral("/Library/Caches"));
    EXPECT_EQ(g_messages, QStringList());
}

TEST_F(DesktopEnvironment, ALauncherOnThePathOrANamedBrowserCounts)
{
    const QUrl site(QStringLiteral("https://example.com/support"));
    const QUrl folder = QUrl::fromLocalFile(bin.path());
    struct Case {
        const char* launcher;  // put in PATH, or none
        const char* browser;   // $BROWSER: a name in PATH, or none
        bool site, folder;
    };
    const Case cases[] = {
        {nullptr, nullptr, false, false},
        {"xdg-open", nullptr, true, true},
        {"firefox", nullptr, true, true},
        // A browser opens addresses, not folders.
        {nullptr, "my-browser", false, false},
        {"my-browser", "my-browser", true, false},
    };
    for (const Case& c : cases) {
        QDir(bin.path()).removeRecursively();
        QDir().mkpath(bin.path());
        if (c.launcher)
            addLauncher(QString::fromLatin1(c.launcher));
        c.browser ? qputenv("BROWSER", c.browser) : qunsetenv("BROWSER");
        const std::string label = std::string(c.launcher ? c.launcher : "-") + " / " + (c.browser ? c.browser : "-");
        EXPECT_EQ(host::hasDesktopLauncher(site), c.site) << label;
        EXPECT_EQ(host::hasDesktopLauncher(folder), c.folder) << label;
    }
    // $DEFAULT_BROWSER too, also as a whole path.
    qunsetenv("BROWSER");
    addLauncher(QStringLiteral("other-browser"));
    qputenv("PATH", "/nonexistent");
    qputenv("DEFAULT_BROWSER", bin.filePath(QStringLiteral("other-browser")).toLocal8Bit());
    EXPECT_TRUE(host::hasDesktopLauncher(site));
    EXPECT_EQ(g_messages, QStringList());
}
