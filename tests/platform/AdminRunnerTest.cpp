#include "platform/HostServices.h"
#include "platform/Services.h"
#include "support/MacTree.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace tw;

namespace {

// PATH leads to a pkexec of our own for as long as this lives.
struct FakePkexec {
    QTemporaryDir bin;
    QByteArray path = qgetenv("PATH");
    QString started;

    // By default a pkexec that waits for a password nobody gives, after
    // noting that it started; body replaces its script, and none leaves
    // PATH without any pkexec.
    explicit FakePkexec(std::optional<QByteArray> body = "exec sleep 600\n")
    {
        started = bin.path() + QStringLiteral("/started");
        if (body) {
            QFile script(bin.path() + QStringLiteral("/pkexec"));
            EXPECT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n: > \"$TW_FAKE_PKEXEC_STARTED\"\n" + *body);
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", body ? bin.path().toLocal8Bit() + ':' + path : bin.path().toLocal8Bit());
        qputenv("TW_FAKE_PKEXEC_STARTED", started.toLocal8Bit());
    }
    ~FakePkexec()
    {
        qputenv("PATH", path);
        qunsetenv("TW_FAKE_PKEXEC_STARTED");
    }
};

} // namespace

TEST(AdminRunner, QuittingWithdrawsAWaitingPromptAndRefusesTheNext)
{
    FakePkexec pkexec;
    test::MacTree tree;
    const QString trash = tree.makeTrash();
    const QString source = tree.home() + QStringLiteral("/Library/Caches/held");
    tree.write(source, "held");
    const std::unique_ptr<AdminRunner> runner = host::makeAdminRunner(tree.fs());

    // The move waits on a thread of its own, as it does on the engine pool.
    std::optional<Status> outcome;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { outcome = runner->moveIntoTrash(trash, source, trash + QStringLiteral("/held")); }));
    worker->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(pkexec.started); }, 60000));
    EXPECT_FALSE(worker->isFinished());

    runner->endRequests();
    ASSERT_TRUE(worker->wait(QDeadlineTimer(60000)));
    ASSERT_TRUE(outcome.has_value());
    ASSERT_FALSE(outcome->ok());
    EXPECT_EQ(outcome->error().domain, kScriptErrorDomain);
    EXPECT_EQ(outcome->error().code, -128);  // read as a cancelled prompt
    EXPECT_EQ(tree.read(source), "held");

    // Nothing starts any more: a later move fails at once.
    ASSERT_TRUE(QFile::remove(pkexec.started));
    const Status later = runner->moveIntoTrash(trash, source, trash + QStringLiteral("/held"));
    ASSERT_FALSE(later.ok());
    EXPECT_TRUE(later.error().isUnavailable());
    EXPECT_FALSE(QFile::exists(pkexec.started));
}

TEST(AdminRunner, PkexecsExitAndWordsTellNoPromptFromADismissedOrFailedOne)
{
    const QString authority =
        QStringLiteral("Error getting authority: Error initializing authority: Could not connect: No such file or directory");
    const struct {
        const char* what;
        std::optional<QByteArray> script;
        Error expected;
    } cases[] = {
        {"no polkit authority", "echo '" + authority.toUtf8() + "' >&2; exit 127\n",
         {kUnavailableErrorDomain, 0, QStringLiteral("pkexec: ") + authority}},
        {"no agent", "echo 'Error executing command as another user: No authentication agent found.' >&2; exit 127\n",
         {kUnavailableErrorDomain, 0,
          QStringLiteral("pkexec: Error executing command as another user: No authentication agent found.")}},
        {"no pkexec", std::nullopt, {kUnavailableErrorDomain, 0, QStringLiteral("pkexec is not installed.")}},
        {"dismissed", "exit 126\n", {kScriptErrorDomain, -128, QStringLiteral("User canceled.")}},
        {"refused after the prompt",
         "printf 'Error executing command as another user: Not authorized\\n\\nThis incident has been reported.\\n' >&2; exit 127\n",
         {kScriptErrorDomain, 127,
          QStringLiteral("Error executing command as another user: Not authorized This incident has been reported.")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePkexec pkexec(c.script);
        test::MacTree tree;
        const QString trash = tree.makeTrash();
        const QString source = tree.home() + QStringLiteral("/Library/Caches/stuck");
        tree.write(source, "stuck");
        const Status moved = host::makeAdminRunner(tree.fs())->moveIntoTrash(trash, source, trash + QStringLiteral("/stuck"));
        ASSERT_FALSE(moved.ok());
        EXPECT_EQ(moved.error(), c.expected);
        EXPECT_EQ(QFile::exists(pkexec.started), c.script.has_value());
    }
}

TEST(AdminRunner, AMoveThatFailsAfterThePromptNamesTheItemAndKeepsOnlyMvsReason)
{
    // The command runs as given: here mv finds no source. Or mv's own line
    // as it reads when the move is not permitted, with the host's paths.
    const struct {
        const char* what;
        QByteArray script;
        QString reason;
    } cases[] = {
        {"mv itself", "exec \"$@\"\n", QStringLiteral("No such file or directory")},
        {"not permitted", "echo \"/bin/mv: cannot move '$6' to '$7': Operation not permitted\" >&2; exit 1\n",
         QStringLiteral("Operation not permitted")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePkexec pkexec(c.script);
        test::MacTree tree;
        const QString trash = tree.makeTrash();
        const QString source = QStringLiteral("/Applications/Tool: Pro.app");
        if (c.reason != QLatin1String("No such file or directory"))
            tree.write(source + QStringLiteral("/Contents/Info.plist"), "plist");
        const Status moved =
            host::makeAdminRunner(tree.fs())->moveIntoTrash(trash, source, trash + QStringLiteral("/Tool: Pro.app"));
        ASSERT_FALSE(moved.ok());
        EXPECT_EQ(moved.error(),
                  (Error{kScriptErrorDomain, 1,
                         QStringLiteral("“Tool: Pro.app” could not be moved to the Trash even with administrator privileges: ")
                             + c.reason}));
        EXPECT_TRUE(QFile::exists(pkexec.started));
    }
}
