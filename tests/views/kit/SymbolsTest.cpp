#include "views/kit/Symbols.h"

#include <gtest/gtest.h>

using namespace tw;

TEST(Symbols, EverySymbolOfTheTableRendersInItsColour)
{
    for (const char* name : {"arrow.triangle.2.circlepath", "globe", "puzzlepiece.extension", "speedometer",
                             "gearshape.fill", "paintpalette.fill", "checkmark.circle.fill", "circle", "rocket.fill"}) {
        const QImage img = symbols::image(QString::fromLatin1(name), 48, QColor(255, 0, 0));
        ASSERT_FALSE(img.isNull()) << name;
        bool painted = false;
        for (int y = 0; y < img.height() && !painted; ++y)
            for (int x = 0; x < img.width() && !painted; ++x) {
                const QColor c = img.pixelColor(x, y);
                painted = c.alpha() > 200 && c.red() > 200 && c.green() < 40 && c.blue() < 40;
            }
        EXPECT_TRUE(painted) << name;
    }
    EXPECT_TRUE(symbols::image("no.such.symbol", 24, Qt::white).isNull());
}
