#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#ifdef TIDEWELL_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace {

#ifdef TIDEWELL_XCB
// What the probe's window became on the display: its line of output.
QString probeOn(const QString& display)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(TIDEWELL_WINDOW_MANAGER_PROBE), {});
    EXPECT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}
#endif

} // namespace

// A window manager is the client that redirects the root window's structure
// requests, whichever that is: with none the program zooms its window itself
// and minimise leaves it, with one both are asked of it. On an X server of
// the test's own, where the test's connection plays the window manager.
TEST(WindowManager, IsSeenFromTheRootWindowAsEveryClientSetsIt)
{
#ifndef TIDEWELL_XCB
    GTEST_SKIP() << "built without X11";
#else
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "no Xvfb";
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const auto stop = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(10000);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; }, 30000));
    const QString display = u':' + QString::fromUtf8(server.readLine()).trimmed();
    ASSERT_NE(display, QStringLiteral(":")) << server.readAllStandardError().toStdString();

    EXPECT_EQ(probeOn(display), QStringLiteral("maximised=0 minimised=0 fills=1"));

    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> wm(
        xcb_connect(display.toLocal8Bit().constData(), nullptr), xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(wm.get()), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm.get())).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_generic_error_t* error =
        xcb_request_check(wm.get(), xcb_change_window_attributes_checked(wm.get(), root, XCB_CW_EVENT_MASK, &mask));
    const bool refused = error;
    std::free(error);
    ASSERT_FALSE(refused);
    EXPECT_EQ(probeOn(display), QStringLiteral("maximised=1 minimised=1 fills=0"));
#endif
}
