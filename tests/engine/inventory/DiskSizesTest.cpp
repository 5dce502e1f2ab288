// The sizes the lists show, measured again when a walk ran out of file
// descriptors. The walk runs in a forked child, whose limit of open files
// the test process does not share.

#include "engine/inventory/DiskSizes.h"
#include "support/MacTree.h"
#include "support/Starved.h"

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

TEST(DiskSizes, AFigureThatCameBackShortIsMeasuredOnceMore)
{
    // The first walk finds no descriptor free and gives up once its
    // patience has passed with none given back; then they come back, and
    // the size shown is whole.
    MacTree t;
    t.writeSized("/App.app/Contents/a", 3000);
    t.writeSized("/App.app/Contents/b/c", 2000);
    const Figures seen = inChild(32, [&](const auto& exhaustTo, std::vector<int>& held) {
        const GateClock clock;
        bool waited = false;
        Held giver([&] {
            const bool first = descriptors::awaitWaits(1, std::chrono::seconds(20));
            clock.advance(descriptors::patience());
            // The second walk waits: the first gave up.
            const bool second = descriptors::awaitWaitsBegun(2, std::chrono::seconds(20));
            giveBack(held, int(held.size()));
            waited = first && second;
        });
        exhaustTo(0);
        giver.go();
        const std::int64_t size = sizes::quickDiskUsage(t.fs(), "/App.app");
        giver.join();
        return Figures{waited, size};
    });
    EXPECT_EQ(seen, (Figures{true, 5 * 1024}));  // 5,000 bytes in whole KiB
}
