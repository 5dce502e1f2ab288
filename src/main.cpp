#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "app/SweeplineApp.h"
#include "platform/Platform.h"
#include "platform/ThreadPool.h"
#include "views/kit/NeonPaint.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The name is also the window class the desktop entry names.
    QApplication::setApplicationName(tw::SweeplineApp::displayName());
    QApplication::setApplicationDisplayName(tw::SweeplineApp::displayName());
    QApplication::setOrganizationName(QStringLiteral("Marrowind"));
    QApplication::setDesktopFileName(tw::SweeplineApp::bundleIdentifier());

    // One copy per user: a second launch brings the running copy's window forward.
    tw::SingleInstanceGuard guard;
    if (!guard.tryBecomePrimary())
        return 0;
    // The fonts load on the pool while the window is built.
    tw::neon::prepareFonts();

    tw::HostPlatform host;
    tw::SweeplineApp sweepline(host.platform());
    QObject::connect(&guard, &tw::SingleInstanceGuard::reopenRequested, &sweepline,
                     [&sweepline] { sweepline.delegate().handleSecondLaunch(); });
    sweepline.start();
    const int status = app.exec();
    // Background work reads the platform: let it end before the platform goes.
    tw::enginePool().waitForDone();
    return status;
}
