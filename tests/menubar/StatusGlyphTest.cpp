#include "menubar/StatusGlyph.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>

using namespace tw;

namespace {

double linear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The picture as the tray shows it on a panel of one colour.
QImage onPanel(const QImage& picture, const QColor& panel)
{
    QImage out(picture.size(), QImage::Format_ARGB32);
    out.fill(panel);
    QPainter p(&out);
    p.drawImage(QPoint(0, 0), picture);
    return out;
}

// The share of the picture's pixels that stand out from the panel by at least 3:1.
double standingOut(const QImage& shown, const QColor& panel, const QRect& area)
{
    int strong = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (contrast(shown.pixelColor(x, y), panel) >= 3.0)
                ++strong;
    return double(strong) / double(area.width() * area.height());
}

const QColor kPanels[] = {QColor(0x1e, 0x1e, 0x1e), QColor(0x2b, 0x30, 0x3b), QColor(0x80, 0x80, 0x80),
                          QColor(0xf0, 0xf0, 0xf0), QColor(Qt::white)};

} // namespace

TEST(StatusGlyph, ReadsOnDarkAndLightPanels)
{
    const QImage glyph = statusglyph::image(1.0);
    ASSERT_EQ(glyph.size(), QSize(statusglyph::side, statusglyph::side));
    for (const QColor& panel : kPanels) {
        SCOPED_TRACE(panel.name().toStdString());
        const QImage shown = onPanel(glyph, panel);
        EXPECT_GE(standingOut(shown, panel, shown.rect()), 0.15);
    }
    // The brush against its tile: as strong as black on white is to the eye.
    EXPECT_GE(contrast(statusglyph::inkColour(), statusglyph::tileColour()), 7.0);
    // At twice the pixels, the same picture.
    EXPECT_EQ(statusglyph::image(2.0).size(), QSize(2 * statusglyph::side, 2 * statusglyph::side));
}

TEST(StatusGlyph, TheUpdateCountStaysReadable)
{
    const QImage plain = statusglyph::image(1.0);
    const QImage badged = statusglyph::withBadge(statusglyph::badgeTitle(3), 1.0);
    // The tray fits its picture into a square: the number is drawn on the glyph, not beside it.
    EXPECT_EQ(badged.size(), plain.size());
    EXPECT_NE(badged, plain);
    EXPECT_EQ(statusglyph::withBadge(QString(), 1.0), plain);
    // White on the capsule, at the contrast small text needs; the capsule
    // with its rim stands out from either panel.
    EXPECT_GE(contrast(statusglyph::inkColour(), statusglyph::badgeColour()), 4.5);
    const QRect corner(statusglyph::side - 11, 0, 11, 11);
    for (const QColor& panel : kPanels) {
        SCOPED_TRACE(panel.name().toStdString());
        const QImage shown = onPanel(badged, panel);
        EXPECT_GE(standingOut(shown, panel, corner), 0.2);
        int badge = 0;
        for (int y = corner.top(); y <= corner.bottom(); ++y)
            for (int x = corner.left(); x <= corner.right(); ++x)
                if (contrast(shown.pixelColor(x, y), statusglyph::badgeColour()) < 1.2)
                    ++badge;
        EXPECT_GE(badge, 10);
    }
    // A long count stays within the picture.
    EXPECT_EQ(statusglyph::withBadge(statusglyph::badgeTitle(1234), 1.0).size(), plain.size());
}
