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

    // A pkexec that waits for a password nobody gives, after noting that it started.
    FakePkexec()
    {
        started = bin.path() + QStringLiteral("/started");
        QFile script(bin.path() + QStringLiteral("/pkexec"));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n: > \"$TW_FAKE_PKEXEC_STARTED\"\nexec sleep 600\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
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
