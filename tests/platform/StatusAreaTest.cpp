#include "platform/StatusItem.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace tw;

// The headless test platform has no system tray: the program says so once
// and keeps making items, which would appear if a tray turned up.
TEST(StatusArea, WithoutATraySaysSoOnceAndStillMakesItems)
{
    QStringList said;
    const std::unique_ptr<StatusArea> area = host::makeStatusArea([&](const QString& text) { said << text; });
    ASSERT_FALSE(area->isAvailable());
    std::unique_ptr<StatusItem> first = area->addItem();
    ASSERT_NE(first, nullptr);
    QImage image(18, 18, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    first->setImage(image);
    first->setToolTip(QStringLiteral("Tidewell — Quick Preview"));
    int clicks = 0;
    first->setClickHandler([&](StatusItem::Click) { ++clicks; });
    first.reset();
    const std::unique_ptr<StatusItem> second = area->addItem();
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(said, QStringList{host::noStatusAreaNotice()});
    EXPECT_TRUE(said.front().contains(QStringLiteral("main window")));
    EXPECT_EQ(clicks, 0);
}
