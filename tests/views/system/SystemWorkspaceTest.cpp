#include "state/Colour.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"
#include "support/ShellHarness.h"
#include "support/SystemFakes.h"
#include "views/system/SystemFigureCards.h"
#include "views/system/SystemMachineCard.h"
#include "views/system/SystemMonitorWorkspace.h"
#include "views/system/SystemWidgets.h"

#include <QApplication>
#include <QScrollArea>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// The tab over a monitor of an empty fixture machine, a fake login-item
// service and drawn pictures with no desktop picture.
struct Tab {
    ShellHarness shell;
    ProcTree proc;
    LinuxProcReaders host{proc.root()};
    FakeIdentity identity;
    FakeMonitorClock clock;
    SystemMonitor monitor{{&host, &identity, &clock}};
    FakeAppService service;
    SystemMonitorPermissions permissions{service, shell.fake.workspace};
    std::shared_ptr<CountingDesktop> desktop = std::make_shared<CountingDesktop>();
    macproductimage::Sources pictures{host::makeDrawnProductArt(), desktop, shell.fake.fs()};
    std::unique_ptr<SystemMonitorWorkspace> view;

    Tab() { macproductimage::clearCache(); }
    ~Tab()
    {
        view.reset();
        tw::waitForEnginePool();
        QApplication::processEvents();
        macproductimage::clearCache();
    }
    SystemMonitorWorkspace& make()
    {
        view = std::make_unique<SystemMonitorWorkspace>(monitor, permissions, shell.state->theme(), pictures);
        view->resize(912, 680);
        return *view;
    }
    SystemMonitorWorkspace& shown()
    {
        make();
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }
};

QStringList values(const QList<SpecRowView*>& rows)
{
    QStringList out;
    for (const SpecRowView* r : rows)
        out << r->label() + QStringLiteral(": ") + r->value();
    return out;
}

// Counts paints of the widgets inside one widget.
struct PaintCounter : QObject {
    QWidget* inside;
    int paints = 0;
    explicit PaintCounter(QWidget* w) : inside(w) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() && (o == inside || inside->isAncestorOf(static_cast<QWidget*>(o))))
            ++paints;
        return false;
    }
};

} // namespace

TEST(SystemWorkspace, MachineCardShowsTheIdentityWithDashesForWhatIsMissing)
{
    Tab t;
    SystemMonitorWorkspace& view = t.make();
    view.display(macBookSnapshot());
    MachineCard* card = view.machineCard();
    EXPECT_EQ(card->title(), "MacBook Pro (14-inch, 2021)");
    EXPECT_EQ(card->osVersion(), "macOS 14.5 (23F79)");
    EXPECT_EQ(card->year(), "2021");
    EXPECT_EQ(values(card->leftRows()),
              (QStringList{"Model: A2442", "Serial number: C02G8XXXQ6L4", "Release date: October 2021",
                           "Manufacture date: 2021-11-08", "Origin: Shanghai, China"}));
    EXPECT_EQ(values(card->rightRows()),
              (QStringList{"Identifier: MacBookPro18,3", "Processor: Apple M1 Pro", "Graphics: Apple M1 Pro (14-core GPU)",
                           "Memory: 16.00 GB", "Storage: 2 TB"}));

    SystemSnapshot bare = macBookSnapshot();
    for (QString* field : {&bare.serialNumber, &bare.releaseDate, &bare.manufactureDate, &bare.origin,
                           &bare.modelIdentifier, &bare.chipName, &bare.graphicsName})
        field->clear();
    bare.machineModel = QStringLiteral("   ");
    bare.modelYear.reset();
    bare.diskTotal = 0;
    view.display(bare);
    EXPECT_EQ(card->year(), "");
    EXPECT_EQ(values(card->leftRows()),
              (QStringList{"Model: \u2014", "Serial number: \u2014", "Release date: \u2014", "Manufacture date: ",
                           "Origin: "}));
    EXPECT_EQ(values(card->rightRows()), (QStringList{"Identifier: \u2014", "Processor: \u2014", "Graphics: \u2014",
                                                      "Memory: 16.00 GB", "Storage: \u2014"}));
}

TEST(SystemWorkspace, ALongValueShrinksBeforeItIsCutAndKeepsItsLabelWidth)
{
    Tab t;
    SystemMonitorWorkspace& view = t.shown();
    SystemSnapshot s = macBookSnapshot();
    view.display(s);
    QApplication::processEvents();
    SpecRowView* graphics = view.machineCard()->rightRows()[2];
    FittedText* value = graphics->valueText();
    EXPECT_EQ(value->lines().size(), 1);
    EXPECT_EQ(value->shownPoints(), 11);
    s.graphicsName = QStringLiteral("Advanced Micro Devices, Inc. [AMD/ATI] Navi 21 [Radeon RX 6800/6800 XT / 6900 XT] "
                                    "with an even longer board description that cannot fit in two lines at all");
    view.display(s);
    // The row grows once the layout has run.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return value->lines().size() == 2 && graphics->height() >= value->y() + value->height();
    }, 10000));
    EXPECT_EQ(value->lines().size(), 2);
    EXPECT_EQ(value->shownPoints(), 9);  // three quarters of 11, in whole points
    EXPECT_TRUE(value->lines().back().endsWith(QStringLiteral("\u2026")));
    EXPECT_EQ(value->x(), 96 + 8);
    EXPECT_GE(graphics->height(), value->y() + value->height());
}

TEST(SystemWorkspace, FirstRowHoldsTheBatteryOnlyWhenThereIsOne)
{
    Tab t;
    SystemMonitorWorkspace& view = t.shown();
    SystemSnapshot s = macBookSnapshot();
    s.batteryPresent = false;
    view.display(s);
    QApplication::processEvents();
    EXPECT_TRUE(view.batteryCard()->isHidden());
    const int rowWidth = view.scrollArea()->viewport()->width() - 2 * 18;
    EXPECT_EQ(view.storageCard()->width(), rowWidth);

    view.display(macBookSnapshot());
    QApplication::processEvents();
    ASSERT_TRUE(view.batteryCard()->isVisible());
    EXPECT_LT(view.batteryCard()->x(), view.storageCard()->x());
    EXPECT_EQ(view.batteryCard()->y(), view.storageCard()->y());
    EXPECT_NEAR(view.batteryCard()->width(), view.storageCard()->width(), 1);
    EXPECT_EQ(view.batteryCard()->width() + 12 + view.storageCard()->width(), rowWidth);
}

TEST(SystemWorkspace, FigureCardsFollowTheSnapshot)
{
    Tab t;
    SystemMonitorWorkspace& view = t.make();
    view.display(macBookSnapshot());

    ProcessorCard* cpu = view.processorCard();
    EXPECT_EQ(cpu->title(), "Apple M1 Pro");
    EXPECT_DOUBLE_EQ(cpu->ring()->percent(), 37.4);
    EXPECT_EQ(cpu->ring()->label(), "37% CPU");
    EXPECT_EQ(cpu->history()->values(), (QList<double>{10, 20, 40}));
    EXPECT_EQ(cpu->loadText(), "Load  1.50  \u00b7  2.00  \u00b7  2.25");
    EXPECT_EQ(cpu->splitText(), "User 12.3%  System 5.5%  Idle 82.2%");
    EXPECT_EQ(cpu->countText(), "402 processes \u00b7 1820 threads");
    EXPECT_EQ(cpu->processes()->shownRows(), 5);
    EXPECT_EQ(cpu->processes()->name(0), "worker 0");
    EXPECT_EQ(cpu->processes()->value(0), "40.0%");

    GraphicsCard* gpu = view.graphicsCard();
    EXPECT_EQ(gpu->title(), "Apple M1 Pro (14-core GPU)");
    EXPECT_DOUBLE_EQ(gpu->ring()->percent(), 0);
    EXPECT_EQ(gpu->ring()->label(), "GPU");
    EXPECT_EQ(gpu->chipText(), "Chip: Apple M1 Pro (14-core GPU)");
    EXPECT_EQ(gpu->networkText(), "\u2193 0 bytes/s  \u2191 0 bytes/s");

    MemoryCard* ram = view.memoryCard();
    EXPECT_EQ(ram->title(), "RAM");
    EXPECT_DOUBLE_EQ(ram->ring()->percent(), 50);
    EXPECT_EQ(ram->ring()->label(), "50% RAM");
    EXPECT_DOUBLE_EQ(ram->pressure()->percent(), 62.5);
    EXPECT_EQ(ram->pressure()->tint(), rgb(0.93, 0.55, 0.16));
    EXPECT_EQ(ram->swapText(), "Swap File  0 bytes");
    ASSERT_EQ(ram->legend().size(), 4);
    EXPECT_EQ(ram->legend()[0]->leading() + " " + ram->legend()[0]->trailing(), "Wired 2.00 GB");
    EXPECT_EQ(ram->legend()[0]->dotColour(), rgb(0.75, 0.35, 0.85));
    EXPECT_EQ(ram->legend()[1]->dotColour(), AppTheme::accent());
    EXPECT_EQ(ram->processes()->shownRows(), 3);
    EXPECT_EQ(ram->processes()->value(2), "768.0 MB");

    StorageCard* disk = view.storageCard();
    EXPECT_EQ(disk->title(), "APPLE SSD AP1024R");
    EXPECT_EQ(disk->mediaText(), "Macintosh HD");
    EXPECT_DOUBLE_EQ(disk->bar()->percent(), 25);
    EXPECT_EQ(disk->bar()->tint(), AppTheme::accent());
    EXPECT_EQ(disk->usedText(), "500.00 GB used out of 2000.00 GB");
    EXPECT_EQ(disk->availableText(), "Available 1500.00 GB \u00b7 R 0 bytes/s \u00b7 W 0 bytes/s");

    BatteryCard* battery = view.batteryCard();
    EXPECT_EQ(battery->title(), "Battery");
    EXPECT_EQ(battery->chargeText(), "Charge 84%");
    EXPECT_EQ(battery->powerText(), "Power Adapter");
    EXPECT_DOUBLE_EQ(battery->bar()->percent(), 84);
    EXPECT_EQ(battery->bar()->tint(), rgb(0.18, 0.70, 0.44));
    EXPECT_EQ(battery->healthText(), "Health est. 92% \u00b7 123 cycles");
    EXPECT_EQ(battery->temperatureText(), "Temperature 31\u00b0C");

    // Pressure turns high, names fall back, optional lines go.
    SystemSnapshot s = macBookSnapshot();
    s.memoryUsed = 12 * kGiB;
    s.chipName.clear();
    s.graphicsName.clear();
    s.ssdProductName = QStringLiteral("NVMe Controller");
    s.batteryTemperatureC.reset();
    s.batteryIsCharging = true;
    s.topProcesses.clear();
    view.display(s);
    EXPECT_EQ(ram->pressure()->tint(), rgb(0.86, 0.24, 0.22));
    EXPECT_EQ(cpu->title(), "CPU");
    EXPECT_EQ(gpu->title(), "GPU");
    EXPECT_EQ(gpu->chipText(), "Chip: \u2014");
    EXPECT_EQ(disk->title(), "Storage");
    EXPECT_EQ(disk->mediaText(), "");
    EXPECT_EQ(battery->temperatureText(), "");
    EXPECT_EQ(battery->powerText(), "Charging");
    EXPECT_EQ(cpu->processes()->shownRows(), 0);
}

TEST(SystemWorkspace, BannerSwitchesFormsAndItsButtonDoesOneThing)
{
    Tab t;
    SystemMonitorWorkspace& view = t.shown();
    PermissionBanner* banner = view.banner();
    EXPECT_FALSE(banner->showsEnabledForm());
    EXPECT_EQ(banner->symbol(), "person.badge.key.fill");
    EXPECT_EQ(banner->symbolColour(), AppTheme::accent());
    EXPECT_EQ(banner->title(), "Login Item permission needed");
    EXPECT_EQ(banner->button()->text(), "Enable Login Item");
    EXPECT_TRUE(banner->button()->isProminent());
    // The graphics card points at the button only while the banner shows it.
    EXPECT_TRUE(view.graphicsCard()->noteText().contains("Enable Login Item above"));

    QTest::mouseClick(banner->button(), Qt::LeftButton);
    EXPECT_EQ(t.service.registrations, 1);
    EXPECT_TRUE(t.shell.fake.workspace.openedUrls.empty());
    EXPECT_TRUE(banner->showsEnabledForm());
    EXPECT_EQ(banner->symbol(), "checkmark.seal.fill");
    EXPECT_EQ(banner->symbolColour(), rgb(0.18, 0.70, 0.44));
    EXPECT_EQ(banner->title(), "Background monitoring enabled");
    EXPECT_EQ(banner->message(), "Live System dashboard can keep sampling while Tidewell stays in the background.");
    EXPECT_EQ(banner->button()->text(), "Open Settings");
    EXPECT_FALSE(banner->button()->isProminent());
    EXPECT_FALSE(view.graphicsCard()->noteText().contains("Enable Login Item"));
    EXPECT_TRUE(view.graphicsCard()->noteText().contains("Tidewell"));

    QTest::mouseClick(banner->button(), Qt::LeftButton);
    EXPECT_EQ(t.service.registrations, 1);
    ASSERT_EQ(t.shell.fake.workspace.openedUrls.size(), 1u);
    EXPECT_EQ(t.shell.fake.workspace.openedUrls.front(), QUrl(kLoginItemsAddress));
}

TEST(SystemWorkspace, RefreshesTheLoginItemStateEachTimeItComesOnScreen)
{
    Tab t;
    SystemMonitorWorkspace& view = t.make();
    EXPECT_EQ(t.service.statusReads, 0);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(t.service.statusReads, 1);
    view.hide();
    QApplication::processEvents();
    EXPECT_EQ(t.service.statusReads, 1);
    t.service.current = MainAppService::ItemStatus::enabled;  // approved in the settings meanwhile
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(t.service.statusReads, 2);
    EXPECT_TRUE(view.banner()->showsEnabledForm());
}

TEST(SystemWorkspace, EnablingWritesTheAutostartEntryOrOpensItsFolderOnce)
{
    // The host's autostart entry in the fake platform's home.
    Tab t;
    auto service = host::makeAutostartService(t.shell.fake.fs(), {QStringLiteral("com.example.tab"), {}, "/opt/x"}, {});
    SystemMonitorPermissions permissions(*service, t.shell.fake.workspace);
    SystemMonitorWorkspace view(t.monitor, permissions, t.shell.state->theme(), t.pictures);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_FALSE(view.banner()->showsEnabledForm());
    QTest::mouseClick(view.banner()->button(), Qt::LeftButton);
    EXPECT_TRUE(view.banner()->showsEnabledForm());
    EXPECT_TRUE(t.shell.fake.tree().exists(t.shell.fake.tree().home() + "/.config/autostart/com.example.tab.desktop"));

    EXPECT_TRUE(t.shell.fake.workspace.openedUrls.empty());

    // A folder that cannot be made: the settings open once, the banner stays.
    MacTree blocked;
    blocked.write(blocked.home() + "/.config", "not a folder");
    auto failing = host::makeAutostartService(blocked.fs(), {QStringLiteral("com.example.tab"), {}, "/opt/x"}, {});
    SystemMonitorPermissions denied(*failing, t.shell.fake.workspace);
    SystemMonitorWorkspace other(t.monitor, denied, t.shell.state->theme(), t.pictures);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::mouseClick(other.banner()->button(), Qt::LeftButton);
    EXPECT_FALSE(denied.isEnabled());
    EXPECT_FALSE(other.banner()->showsEnabledForm());
    EXPECT_FALSE(denied.statusText().isEmpty());
    EXPECT_EQ(t.shell.fake.workspace.openedUrls.size(), 1u);
}

TEST(SystemWorkspace, PictureIsMadeOnceOffTheGuiThreadAndSharedByLaterTabs)
{
    Tab t;
    SystemMonitorWorkspace& view = t.make();
    EXPECT_FALSE(view.machineCard()->pictureWell()->hasPicture());
    view.display(macBookSnapshot());
    QTRY_VERIFY(view.machineCard()->pictureWell()->hasPicture());
    EXPECT_EQ(t.desktop->calls, 1);
    // The same key again, and a new tab: straight from the cache.
    view.display(macBookSnapshot());
    SystemMonitorWorkspace again(t.monitor, t.permissions, t.shell.state->theme(), t.pictures);
    again.display(macBookSnapshot());
    EXPECT_TRUE(again.machineCard()->pictureWell()->hasPicture());
    tw::waitForEnginePool();
    QApplication::processEvents();
    EXPECT_EQ(t.desktop->calls, 1);

    // A machine with no product type keeps the placeholder.
    SystemSnapshot pc = macBookSnapshot();
    pc.marketingTitle = QStringLiteral("ThinkPad");
    pc.modelIdentifier = QStringLiteral("20XW");
    again.display(pc);
    tw::waitForEnginePool();
    QApplication::processEvents();
    EXPECT_FALSE(again.machineCard()->pictureWell()->hasPicture());
}

TEST(SystemWorkspace, AnUnchangedSnapshotRepaintsNothingAndAHiddenTabWaits)
{
    Tab t;
    SystemMonitorWorkspace& view = t.shown();
    view.display(macBookSnapshot());
    tw::waitForEnginePool();
    drainEvents();
    {
        PaintCounter counter(&view);
        view.display(macBookSnapshot());
        drainEvents();  // a repaint would have been posted by now
        EXPECT_EQ(counter.paints, 0);
        SystemSnapshot s = macBookSnapshot();
        s.load1 = 1.75;
        view.display(s);
        EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 10000));
    }
    // The monitor's next pass reaches a hidden tab only when it is shown again.
    view.hide();
    t.identity.identity.marketingTitle = QStringLiteral("Mac mini (2023)");
    t.monitor.sample();
    EXPECT_EQ(view.machineCard()->title(), "MacBook Pro (14-inch, 2021)");
    view.show();
    EXPECT_EQ(view.machineCard()->title(), "Mac mini (2023)");
}

TEST(SystemWorkspace, ASnapshotBeforeTheFirstFrameFollowsItAndNoBatteryCardIsMadeWithoutABattery)
{
    Tab t;
    SystemMonitorWorkspace& view = t.make();
    view.show();
    if (view.windowHandle()->isExposed())
        GTEST_SKIP() << "this platform exposes a window as it is shown";
    t.identity.identity.marketingTitle = QStringLiteral("Mac mini (2023)");
    t.monitor.sample();
    // Held back until the window has drawn its first frame, then shown without another pass.
    EXPECT_NE(view.machineCard()->title(), "Mac mini (2023)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.machineCard()->title() == "Mac mini (2023)"; }, 10000));

    // The fixture machine has no battery: nothing was made for one.
    EXPECT_TRUE(view.findChildren<BatteryCard*>().isEmpty());
    SystemSnapshot s = macBookSnapshot();
    view.display(s);
    ASSERT_EQ(view.findChildren<BatteryCard*>().size(), 1);
    EXPECT_TRUE(view.batteryCard()->isVisible());
    s.batteryPresent = false;
    view.display(s);
    EXPECT_TRUE(view.batteryCard()->isHidden());
}

TEST(SystemWorkspace, AFittedTextSetWhileHiddenIsLaidOutAtTheWidthItIsShownAt)
{
    ShellHarness shell;
    QWidget box;
    auto* text = new FittedText(TextRole::captionMedium, Tint::primary, 0.75, &box);
    const QString longText = QStringLiteral("Advanced Micro Devices, Inc. Navi 21 Radeon RX 6800 XT");
    text->setText(longText);
    text->setGeometry(0, 0, 1000, 40);
    // Asked while hidden, it answers for its current width.
    EXPECT_EQ(text->lines(), QStringList{longText});
    EXPECT_EQ(text->shownPoints(), 11);
    text->setGeometry(0, 0, 120, 40);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(text->width(), 120);
    EXPECT_EQ(text->lines().size(), 2);
    EXPECT_LT(text->shownPoints(), 11);

    // Shown, a new text is laid out at once.
    text->setText(QStringLiteral("M1"));
    EXPECT_EQ(text->lines(), QStringList{QStringLiteral("M1")});
    EXPECT_EQ(text->shownPoints(), 11);
}
