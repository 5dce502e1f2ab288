#include "monitor/HardwareIdentityReader.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "platform/Platform.h"
#include "platform/ProductArt.h"
#include "support/MonitorFakes.h"
#include "support/ShellHarness.h"
#include "support/SystemFakes.h"
#include "views/system/SystemMachineCard.h"
#include "views/system/SystemMonitorWorkspace.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QScrollArea>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <iostream>

using namespace tw;
using namespace tw::test;

namespace {

// The tab as the main window shows it (912 x 680 beside the sidebar), and
// its whole page, on the workspace background of the theme.
void shoot(SystemMonitorWorkspace& view, const QString& name)
{
    QWidget* page = view.scrollArea()->widget();
    const int fullHeight = page->heightForWidth(912) > 0 ? page->heightForWidth(912) : page->sizeHint().height();
    for (const auto& [size, suffix] : {std::pair{QSize(912, 680), QString()}, std::pair{QSize(912, fullHeight), QStringLiteral("-page")}}) {
        view.resize(size);
        ASSERT_TRUE(settleForScreenshot(&view));
        const qreal dpr = view.devicePixelRatioF();
        QImage shot(size * dpr, QImage::Format_ARGB32_Premultiplied);
        shot.setDevicePixelRatio(dpr);
        QPainter p(&shot);
        const AppAppearance a = AppTheme::appearance();
        p.fillRect(QRect(QPoint(), size), AppTheme::panelBase(a));
        p.end();
        view.render(&shot, {}, {}, QWidget::DrawChildren);
        const QString file = screenshotFolder() + u'/' + name + suffix + QStringLiteral(".png");
        ASSERT_TRUE(shot.save(file)) << file.toStdString();
    }
    view.resize(912, 680);
}

// The host's drawn pictures and the desktop's picture over fs.
macproductimage::Sources drawnPictures(const FileSystem& fs)
{
    return {host::makeDrawnProductArt(), host::makeDesktopPictureSource(fs), fs};
}

} // namespace

// This machine as the monitor reads it, in each theme.
TEST(SystemScreenshots, ThisMachineInEveryTheme)
{
    ShellHarness shell;
    LinuxProcReaders host;
    // The identity from the host's readers, as the program builds it.
    HostPlatform machine(shell.fake.fs());
    SkippingMonitorClock clock;
    HardwareIdentityReader identity({&machine.hardware(), &machine.profiler(), &clock,
                                     [&machine] { return machine.builtInDisplayDiagonal(); }, nullptr});
    const auto ticks = host.readKernelStat().cpu;
    SystemMonitor monitor({&host, &identity, &clock});
    // The second pass has processor ticks to compare, and rates over a second.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.readKernelStat().cpu != ticks; }, 5000));
    clock.skipped = std::chrono::seconds(1);
    monitor.sample();
    FakeAppService service;
    SystemMonitorPermissions permissions(service, shell.fake.workspace);
    SystemMonitorWorkspace view(monitor, permissions, shell.state->theme(), drawnPictures(shell.fake.fs()));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (AppAppearance a : allCases<AppAppearance>()) {
        shell.state->theme().apply(a, true);
        shoot(view, QStringLiteral("system-tab-%1").arg(rawValue(a)));
    }
    const SystemSnapshot& s = monitor.snapshot();
    EXPECT_GT(s.memoryTotal, 0u);
    EXPECT_EQ(view.machineCard()->title(), s.marketingTitle);
    std::cout << "screenshots in " << screenshotFolder().toStdString() << std::endl;
}

// A Mac with a battery, its picture painted with a desktop picture, the login item enabled.
TEST(SystemScreenshots, AMacBookWithItsPicture)
{
    ShellHarness shell;
    MacTree& tree = shell.fake.tree();
    QImage wallpaper(800, 500, QImage::Format_RGB32);
    {
        QPainter p(&wallpaper);
        QLinearGradient g(0, 0, 800, 500);
        g.setColorAt(0, QColor(250, 140, 70));
        g.setColorAt(0.6, QColor(200, 70, 120));
        g.setColorAt(1, QColor(70, 40, 150));
        p.fillRect(wallpaper.rect(), g);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    wallpaper.save(&buffer, "PNG");
    tree.write(macproductimage::defaultDesktopPicture, png);
    LinuxProcReaders host(tree.hostRoot().toUtf8());
    FakeIdentity identity;
    FakeMonitorClock clock;
    SystemMonitor monitor({&host, &identity, &clock});
    FakeAppService service;
    service.current = MainAppService::ItemStatus::enabled;
    SystemMonitorPermissions permissions(service, shell.fake.workspace);
    SystemMonitorWorkspace view(monitor, permissions, shell.state->theme(), drawnPictures(shell.fake.fs()));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    SystemSnapshot s = macBookSnapshot();
    s.cpuHistory = {12, 18, 25, 22, 30, 41, 38, 35, 52, 47, 40, 37};
    view.display(s);
    QTRY_VERIFY(view.machineCard()->pictureWell()->hasPicture());
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic}) {
        shell.state->theme().apply(a, true);
        shoot(view, QStringLiteral("system-tab-macbook-%1").arg(rawValue(a)));
    }
    macproductimage::clearCache();
}
