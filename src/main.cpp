#include "app/AppDelegate.h"
#include "app/QuitOnSignal.h"
#include "app/SingleInstance.h"
#include "app/SweeplineApp.h"
#include "monitor/HardwareIdentityReader.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "platform/HostServices.h"
#include "platform/Platform.h"
#include "platform/ThreadPool.h"
#include "views/kit/NeonText.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The font configuration loads on the pool while the application connects to the display.
    tw::host::prepareFontConfiguration();
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
    // From here on the lock is ours: a termination signal quits as Quit does, so that it goes with us.
    tw::QuitOnSignal quitOnSignal;
    // The pools' threads are made now and kept, so that a program out of
    // file descriptors never has to make one.
    tw::keepPoolThreads();
    // The fonts load on the pool while the window is built.
    tw::neon::prepareFonts();

    // The whole environment is built here and handed down: the platform's
    // services, then the monitor and its companions over the host's readers.
    tw::HostPlatform host;
    const tw::Platform& platform = host.platform();
    tw::HardwareIdentityReader identity({&host.hardware(), &host.profiler(), &platform.clock(),
                                         [&host] { return host.builtInDisplayDiagonal(); }, nullptr});
    tw::SystemMonitor monitor({&host.procReaders(), &identity, &platform.clock()}, tw::SystemMonitor::FirstPass::None);
    tw::SystemMonitorPermissions permissions(host.autostart(), platform.workspace());
    tw::SweeplineApp sweepline(platform, {&monitor, &permissions,
                                          {host.productArt(), host.desktopPictures(), host.fs()},
                                          &host.statusArea(), {}});
    QObject::connect(&guard, &tw::SingleInstanceGuard::reopenRequested, &sweepline,
                     [&sweepline] { sweepline.delegate().handleSecondLaunch(); });
    sweepline.start();
    const int status = app.exec();
    // Background work ends before the platform goes.
    tw::SweeplineApp::windDown(platform.admin());
    return status;
}
