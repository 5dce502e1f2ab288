#include "Entries.h"
#include "views/extensions/ExtensionLook.h"

#include <gtest/gtest.h>

using namespace tw::extensionsview;

TEST(ExtensionLook, RowTexts)
{
    const struct {
        int count;
        std::int64_t size;
        QString countText, kindSize, itemSize;
    } cases[] = {
        {0, 0, "No items", "-", "-"},
        {0, 5'000'000, "No items", "-", "5 MB"},  // a stale total of an empty kind shows nothing
        {1, 0, "1 item", "Zero KB", "-"},
        {1, -20, "1 item", "Zero KB", "-"},
        {2, 999, "2 items", "Zero KB", "Zero KB"},
        {12, 1'500'000, "12 items", "1.5 MB", "1.5 MB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(countText(c.count), c.countText) << c.count;
        EXPECT_EQ(kindSizeText(c.count, c.size), c.kindSize) << c.count << ' ' << c.size;
        EXPECT_EQ(itemSizeText(c.size), c.itemSize) << c.size;
    }
}
