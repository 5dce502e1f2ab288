#include "platform/MainAppService.h"
#include "platform/Platform.h"
#include "platform/ProcReaders.h"
#include "platform/ProductArt.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

using namespace tw;

// The host platform over a fixture tree: its clock, and the parts the
// monitor and the login item are built over.
TEST(HostPlatform, OneClockAndPartsMadeOnceOverItsFileSystem)
{
    test::MacTree tree;
    HostPlatform host(tree.fs());
    const Clock& clock = host.platform().clock();
    const auto first = clock.monotonic();
    const QDateTime wall = clock.now();
    EXPECT_GE(clock.monotonic(), first);
    EXPECT_EQ(wall.timeSpec(), Qt::UTC);

    // The autostart entry is made once, and registers inside the mapped home.
    MainAppService& autostart = host.autostart();
    EXPECT_EQ(&host.autostart(), &autostart);
    EXPECT_NE(autostart.status(), MainAppService::ItemStatus::enabled);
    ASSERT_TRUE(autostart.registerItem());
    EXPECT_EQ(autostart.status(), MainAppService::ItemStatus::enabled);
    const auto folder = tree.fs().list(tree.home() + QStringLiteral("/.config/autostart"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->size(), 1u);

    // The readers are the machine's whatever the tree.
    EXPECT_NE(host.productArt(), nullptr);
    EXPECT_NE(host.desktopPictures(), nullptr);
    EXPECT_GT(host.procReaders().activeProcessorCount(), 0);
}
