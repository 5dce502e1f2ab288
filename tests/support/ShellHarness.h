#pragma once

#include "state/SharedState.h"
#include "state/Theme.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "views/kit/IconView.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <memory>

namespace tw::test {

// Waits until the engines' background scans and changes have published, so nothing
// outlives the fake platform they read.
inline bool drainScans(AppScanner* scanner, SystemCleaner* cleaner)
{
    return QTest::qWaitFor([&] {
        tw::waitForEnginePool();
        QCoreApplication::processEvents();
        return !((scanner && (scanner->isScanning() || scanner->isRemoving()))
                 || (cleaner && (cleaner->isScanningRemaining() || cleaner->isScanningStartup()
                                 || cleaner->isScanningExtensions() || cleaner->isRemoving())));
    }, 60000);
}

// Runs everything already posted to the GUI thread, deferred deletions
// included: what a call queued has happened when this returns.
inline void drainEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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

// Whether w's window shows its final look: no theme cross-fade over it, no
// animation of its widgets running, and no icon in view of w still decoding.
// A view without an icon, or whose decode failed, counts as done.
inline bool isSettled(QWidget* w)
{
    QWidget* window = w->window();
    if (window->findChild<QWidget*>(QStringLiteral("crossFade")))
        return false;
    const QList<QAbstractAnimation*> animations = window->findChildren<QAbstractAnimation*>();
    if (std::any_of(animations.begin(), animations.end(),
                    [](QAbstractAnimation* a) { return a->state() == QAbstractAnimation::Running; }))
        return false;
    const QList<IconView*> icons = w->findChildren<IconView*>();
    return std::none_of(icons.begin(), icons.end(), [](IconView* v) { return v->isVisible() && v->isDecoding(); });
}

// The visible icon views of w that are not ready, for a failure message.
inline QString unsettledIcons(QWidget* w)
{
    QStringList out;
    for (IconView* v : w->findChildren<IconView*>())
        if (v->isVisible() && !v->isReady())
            out << QStringLiteral("%1 in %2 (kind %3, %4, decoding %5)")
                       .arg(v->objectName(), QString::fromLatin1(v->parentWidget()->metaObject()->className()))
                       .arg(int(v->icon().kind))
                       .arg(v->icon().value)
                       .arg(v->isDecoding());
    return out.join(QStringLiteral("; "));
}

// Paints w once (the icons in view start decoding) and waits until it has
// settled; the same for every screenshot.
inline bool settleForScreenshot(QWidget* w)
{
    QCoreApplication::processEvents();
    if (!QTest::qWaitFor([&] { return isSettled(w); }, 10000))
        return false;
    w->grab();
    const bool settled = QTest::qWaitFor([&] { return isSettled(w); }, 10000);
    if (!settled || qEnvironmentVariableIsSet("TIDEWELL_SCREENSHOT_DEBUG"))
        qWarning("%s; icons in view without pixels: %s", settled ? "settled" : "not settled",
                 qPrintable(unsettledIcons(w)));
    return settled;
}

// Saves a picture of w under the screenshot folder once it has settled.
inline bool saveScreenshot(QWidget* w, const QString& name)
{
    return settleForScreenshot(w) && w->grab().save(screenshotFolder() + u'/' + name);
}

// The colour of a pixel of an image, as 0..255 components.
inline QColor pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(int(x * image.devicePixelRatio()), int(y * image.devicePixelRatio()));
}

// Pixels of area (in window's coordinates; all of it when empty) where what
// the window shows on screen (its backing store) and a fresh painting of it
// differ clearly: what a repaint missed.
inline int stalePixels(QWidget* window, QRect area = {})
{
    if (area.isEmpty())
        area = window->rect();
    const QImage shown = window->screen()
                             ->grabWindow(window->winId(), area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != fresh.size())
        return area.width() * area.height();
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = fresh.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 || std::abs(qBlue(a) - qBlue(b)) > 8)
                ++n;
        }
    return n;
}

inline int luminance(const QColor& c)
{
    return (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000;
}

} // namespace tw::test
