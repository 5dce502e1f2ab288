#include "platform/ThreadPool.h"
#include "support/PooledThreads.h"

#include <QApplication>
#include <QTest>
#include <QThreadPool>
#include <gmock/gmock.h>

#include <cstdio>
#include <time.h>

// Every test program runs inside a headless QApplication, so engines and views
// can post to the GUI thread and widgets can be rendered offscreen. The
// machine's fonts, locale, time zone, desktop and proxies are shut out: the
// tests see DejaVu only, the C locale, UTC, no desktop theme, and reach their
// local servers directly.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("FONTCONFIG_FILE", TIDEWELL_TEST_FONTS_CONF);
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANG", "C.UTF-8");
    qputenv("LANGUAGE", "");
    for (const char* name : {"QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                             "GTK_THEME", "http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    tzset();
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    // Qt's threads run detached: one waited for and deleted may still be
    // freeing its thread data as the process ends, which the leak check
    // then reports. The pools' threads are ended and seen gone first.
    tw::waitForEnginePool();
    QThreadPool::globalInstance()->waitForDone();
    if (!QTest::qWaitFor([] { return tw::test::pooledThreads() == 0; }, 10000))
        std::fprintf(stderr, "pool threads still running at exit: %d\n", tw::test::pooledThreads());
    return failed;
}
