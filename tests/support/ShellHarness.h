#pragma once

#include "app/state/SharedState.h"
#include "app/state/Theme.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QThreadPool>

#include <memory>

namespace tw::test {

// Waits until the engines' background scans have published, so nothing
// outlives the fake platform they read.
inline void drainScans(AppScanner* scanner, SystemCleaner* cleaner)
{
    for (int i = 0; i < 200; ++i) {
        tw::enginePool().waitForDone();
        QCoreApplication::processEvents();
        const bool busy = (scanner && scanner->isScanning())
            || (cleaner && (cleaner->isScanningRemaining() || cleaner->isScanningStartup()
                            || cleaner->isScanningExtensions()));
        if (!busy)
            return;
        QTest::qWait(5);
    }
}

// A fake platform with the shared state and both engines over it.
struct ShellHarness {
    FakePlatform fake;
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>(fake.platform());
    std::unique_ptr<AppScanner> scanner = std::make_unique<AppScanner>(fake.platform());
    std::unique_ptr<SystemCleaner> cleaner = std::make_unique<SystemCleaner>(fake.platform());
    FakePrompter prompter;

    WorkspaceEnvironment env()
    {
        return {*scanner, *cleaner, state->navigation(), state->theme(), fake.platform(), prompter};
    }

    ~ShellHarness()
    {
        drainScans(scanner.get(), cleaner.get());
        cleaner.reset();
        scanner.reset();
        state.reset();
    }
};

// Where the screenshot tests write their pictures: $TIDEWELL_SCREENSHOT_DIR,
// else tests/screenshots in the build folder.
inline QString screenshotFolder()
{
    const QByteArray env = qgetenv("TIDEWELL_SCREENSHOT_DIR");
    const QString dir = env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots")
                                      : QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    return dir;
}

// The colour of a pixel of an image, as 0..255 components.
inline QColor pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(int(x * image.devicePixelRatio()), int(y * image.devicePixelRatio()));
}

inline int luminance(const QColor& c)
{
    return (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000;
}

} // namespace tw::test
