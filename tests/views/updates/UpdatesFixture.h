#pragma once

#include "engine/updates/Printing.h"
#include "support/LocalHttpServer.h"
#include "support/ShellHarness.h"
#include "views/updates/UpdatesState.h"

#include <QTest>
#include <gtest/gtest.h>

namespace tw::test {

// Applications under a fake Mac whose update feeds and App Store lookups
// answer from a local server, and the real scanner over them.
class UpdatesFixture : public ::testing::Test {
protected:
    ShellHarness shell;
    LocalHttpServer server;
    // Long enough for a busy machine's local answers; the hanging routes cost it once per check.
    std::chrono::milliseconds timeout = std::chrono::milliseconds(1500);

    static QByteArray feed(const QByteArray& version, const QByteArray& download = "https://example.com/get.zip")
    {
        return "<rss><channel><item><sparkle:shortVersionString>" + version +
               "</sparkle:shortVersionString><enclosure url=\"" + download + "\"/></item></channel></rss>";
    }
    static QString bundleId(const QString& name) { return "com.example." + name.toLower(); }
    static QString pathOf(const QString& name) { return "/Applications/" + name + ".app"; }

    // An application bundle: its update feed at feedPath on the server, or an
    // App Store receipt, or neither (updated by hand).
    void makeApp(const QString& name, const QString& version, const QString& feedPath = {}, bool receipt = false)
    {
        BundleRecipe recipe{bundleId(name), name, {}, version};
        if (!feedPath.isEmpty())
            recipe.extra.insert("SUFeedURL", server.url(feedPath).toString());
        recipe.extra.insert("CFBundleIconFile", "AppIcon");
        shell.fake.tree().makeApp(pathOf(name), recipe);
        const QRgb colour = QColor::fromHsv(int(qHash(name) % 360), 150, 210).rgb();
        shell.fake.tree().write(pathOf(name) + "/Contents/Resources/AppIcon.icns", MacTree::iconFile(colour, name.left(1)));
        if (receipt)
            shell.fake.tree().write(pathOf(name) + "/Contents/_MASReceipt/receipt", "receipt");
    }
    void lookup(const QString& name, Reply reply)
    {
        server.route("/lookup?bundleId=" + bundleId(name) + "&entity=macSoftware", std::move(reply));
    }
    static Reply storeAnswer(const QByteArray& version, int trackId)
    {
        return Reply::ok(R"({"resultCount":1,"results":[{"version":")" + version + R"(","trackId":)" +
                             QByteArray::number(trackId) + "}]}",
                         "text/javascript");
    }
    // Runs the application scan and waits for its list.
    void scan()
    {
        shell.scanner->scanInstalledApps();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.scanner->isScanning(); }, 10000));
    }
    void pointAtServer(UpdateChecker& checker) { checker.setRequestOptions({server.base(), timeout}); }
    // The check has ended and what watches it has caught up.
    static bool finished(const UpdateChecker& checker)
    {
        const bool ended = QTest::qWaitFor([&] { return !checker.isChecking(); }, 10000);
        QCoreApplication::processEvents();
        return ended;
    }
};

} // namespace tw::test
