#include "monitor/MacProductImage.h"
#include "support/MacTree.h"
#include "support/SystemFakes.h"

#include <QBuffer>
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

using namespace tw;
using test::CountingDesktop;
using test::FakeArt;
using test::MacTree;
namespace Picture = tw::macproductimage;

namespace {

const QColor kBlue(30, 100, 220);   // passes the screen test
const QColor kBezel(20, 20, 24);    // dark: bounds the screen
const QColor kRed(255, 0, 0);

QImage solid(int w, int h, const QColor& colour)
{
    QImage image(w, h, QImage::Format_RGBA8888_Premultiplied);
    image.fill(colour);
    return image;
}

QByteArray png(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

// A 100 x 100 transparent picture with a dark bezel (10..89) around a blue screen (20..79).
QImage monitorPicture()
{
    QImage image(100, 100, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(10, 10, 80, 80, kBezel);
    p.fillRect(20, 20, 60, 60, kBlue);
    return image;
}

QColor colourAt(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

void paint(QImage& image, const QImage& wallpaper)
{
    ASSERT_EQ(image.format(), QImage::Format_RGBA8888_Premultiplied);
    Picture::paintScreen(image.bits(), image.width(), image.height(), wallpaper);
}

} // namespace

TEST(ProductType, TriesTheColouredDeviceTypeThenTheBareOneThenTheFamily)
{
    struct Case {
        QString identifier, title;
        std::optional<QString> colour;
        QStringList asked;
        std::optional<QString> type;
    };
    const Case cases[] = {
        {"Mac14,2", "MacBook Air", QStringLiteral("2,3,4"), {"Mac14,2@ECOLOR=2,3,4", "Mac14,2"}, "com.apple.macbookair"},
        {" Mac14,2\n", "MacBook Air", QStringLiteral("unknown"), {"Mac14,2"}, "com.apple.macbookair"},
        {"Mac14,2", "MacBook Air", QString(), {"Mac14,2"}, "com.apple.macbookair"},
        // A blank identifier asks for no device type and searches the title alone.
        {"  ", "MacBook Air", QStringLiteral("2,3,4"), {}, "com.apple.macbookair"},
        {"", "iMac Pro", std::nullopt, {}, "com.apple.imac"},
        {"", "MacBook Pro (14-inch)", std::nullopt, {}, "com.apple.macbookpro"},
        {"Macmini9,1", "Mac", std::nullopt, {"Macmini9,1"}, "com.apple.macmini"},
        {"Mac13,1", "Mac Studio (2022)", std::nullopt, {"Mac13,1"}, "com.apple.macstudio"},
        {"VMware7,1", "VMware Virtual Platform", std::nullopt, {"VMware7,1"}, std::nullopt},
    };
    for (const Case& c : cases) {
        FakeArt art;
        art.declared = {"com.apple.macbookair", "com.apple.imac", "com.apple.macbookpro", "com.apple.macmini",
                        "com.apple.macstudio", "com.apple.macpro"};
        art.colour = c.colour;
        EXPECT_EQ(Picture::productType(c.identifier, c.title, art), c.type) << c.title.toStdString();
        EXPECT_EQ(art.asked, c.asked) << c.title.toStdString();
    }

    FakeArt art;
    art.colour = QStringLiteral("7");
    art.deviceTypes = {{"Mac14,2@ECOLOR=7", "coloured"}, {"Mac14,2", "plain"}};
    EXPECT_EQ(Picture::productType("Mac14,2", "MacBook Air", art), QStringLiteral("coloured"));
    art.colour.reset();
    EXPECT_EQ(Picture::productType("Mac14,2", "MacBook Air", art), QStringLiteral("plain"));

    // The first family that matches decides, even when its type is not declared.
    FakeArt undeclared;
    undeclared.declared = {"com.apple.macpro"};
    EXPECT_EQ(Picture::productType("", "iMac Pro", undeclared), std::nullopt);
}

TEST(ProductImage, ProtectedDesktopPicturesAreNeverRead)
{
    const QString home = QStringLiteral("/Users/ann");
    const std::pair<const char*, bool> cases[] = {
        {"/Volumes/Backup/sea.jpg", true},
        {"/Users/ann/Pictures/Photos Library.photoslibrary/originals/a.heic", true},
        {"/Users/ann/Desktop/beach.png", true},
        {"/Users/ann/Documents/x.jpg", true},
        {"/Users/ann/Downloads/x.jpg", true},
        {"/Users/ann/Library/Mobile Documents/com~apple~CloudDocs/x.jpg", true},
        {"/Users/ann/Pictures/../Documents/x.jpg", true},
        {"/Users/ann/Pictures/sea.jpg", false},
        {"/Users/ann/Desktop", false},
        {"/Users/ann/DesktopPictures/x.jpg", false},
        {"/Users/bob/Desktop/x.jpg", false},
        {"/System/Library/Desktop Pictures/Sonoma.heic", false},
        {"/Volumes", false},
    };
    for (const auto& [path, protectedPath] : cases)
        EXPECT_EQ(Picture::isPrivacyProtected(QString::fromUtf8(path), home), protectedPath) << path;
}

TEST(ProductImage, WallpaperIsTheDesktopPictureElseTheDefaultOne)
{
    MacTree tree;
    auto desktop = std::make_shared<CountingDesktop>();
    const Picture::Sources sources{std::make_shared<FakeArt>(), desktop, tree.fs()};
    EXPECT_TRUE(Picture::desktopWallpaper(sources).isNull());

    tree.write(Picture::defaultDesktopPicture, png(solid(40, 20, Qt::green)));  // any format, decided by content
    tree.write(tree.home() + "/Pictures/sea.png", png(solid(30, 30, Qt::blue)));
    tree.write(tree.home() + "/Documents/secret.png", png(solid(30, 30, kRed)));
    tree.write(tree.home() + "/Pictures/broken.png", "not a picture");
    tree.write(tree.home() + "/Pictures/huge.png", png(solid(4000, 1000, Qt::blue)));
    const std::pair<QString, QColor> cases[] = {
        {tree.home() + "/Pictures/sea.png", Qt::blue},
        {tree.home() + "/Documents/secret.png", Qt::green},
        {tree.home() + "/Pictures/broken.png", Qt::green},
        {tree.home() + "/Pictures/missing.png", Qt::green},
    };
    for (const auto& [path, colour] : cases) {
        desktop->path = path;
        const QImage wallpaper = Picture::desktopWallpaper(sources);
        ASSERT_FALSE(wallpaper.isNull()) << path.toStdString();
        EXPECT_EQ(wallpaper.pixelColor(0, 0), colour) << path.toStdString();
    }
    desktop->path = tree.home() + "/Pictures/huge.png";
    EXPECT_EQ(Picture::desktopWallpaper(sources).size(), QSize(1600, 400));
}

TEST(PaintScreen, PaintsTheScreenAndLeavesBezelAndGroundAlone)
{
    QImage image = monitorPicture();
    paint(image, solid(8, 8, kRed));
    EXPECT_EQ(colourAt(image, 20, 20), kRed);
    EXPECT_EQ(colourAt(image, 79, 79), kRed);
    EXPECT_EQ(colourAt(image, 50, 50), kRed);
    EXPECT_EQ(colourAt(image, 19, 50), kBezel);
    EXPECT_EQ(colourAt(image, 80, 50), kBezel);
    EXPECT_EQ(colourAt(image, 5, 5).alpha(), 0);
}

TEST(PaintScreen, LeavesThePictureAloneWithoutAScreenOrWallpaper)
{
    const QImage untouched = monitorPicture();
    struct Case {
        const char* name;
        QImage picture;
        QImage wallpaper;
    };
    QImage tiny(100, 100, QImage::Format_RGBA8888_Premultiplied);
    tiny.fill(Qt::transparent);
    QPainter(&tiny).fillRect(0, 0, 50, 20, kBlue);  // exactly a tenth: not enough
    QImage translucent = solid(100, 100, QColor(30, 100, 220, 254));
    const Case cases[] = {
        {"null wallpaper", monitorPicture(), QImage()},
        {"empty wallpaper", monitorPicture(), QImage(0, 0, QImage::Format_RGBA8888_Premultiplied)},
        {"screen of a tenth", tiny, solid(4, 4, kRed)},
        {"screen not opaque", translucent, solid(4, 4, kRed)},
    };
    for (const Case& c : cases) {
        QImage image = c.picture;
        paint(image, c.wallpaper);
        EXPECT_EQ(image, c.picture) << c.name;
    }
    EXPECT_EQ(monitorPicture(), untouched);
}

TEST(PaintScreen, EdgeWalkTakesLitPixelsUpToTheFirstDarkOrClearOne)
{
    QImage image = monitorPicture();
    {
        QPainter p(&image);
        p.fillRect(20, 14, 60, 6, QColor(200, 200, 200));  // a lit strip above the screen
        p.fillRect(48, 48, 4, 4, QColor(10, 10, 10));      // a camera dot inside it
    }
    paint(image, solid(8, 8, kRed));
    EXPECT_EQ(colourAt(image, 50, 14), kRed);
    EXPECT_EQ(colourAt(image, 50, 13), kBezel);
    EXPECT_EQ(colourAt(image, 49, 49), QColor(10, 10, 10));

    // A screen that reaches the border stops there.
    QImage edge(60, 40, QImage::Format_RGBA8888_Premultiplied);
    edge.fill(kBlue);
    paint(edge, solid(2, 2, kRed));
    EXPECT_EQ(colourAt(edge, 0, 0), kRed);
    EXPECT_EQ(colourAt(edge, 59, 39), kRed);
}

TEST(PaintScreen, WallpaperFillsTheScreenCentredAndOverflowsOneWay)
{
    // Twice as wide as high: green left half, red right half.
    QImage wallpaper = solid(200, 100, Qt::green);
    QPainter(&wallpaper).fillRect(100, 0, 100, 100, kRed);
    QImage image = monitorPicture();
    paint(image, wallpaper);
    // The 60-pixel screen shows the middle 50 x 100 of the wallpaper, scaled 0.6.
    EXPECT_EQ(colourAt(image, 22, 50), QColor(Qt::green));
    EXPECT_EQ(colourAt(image, 77, 50), kRed);
    EXPECT_EQ(colourAt(image, 22, 21), QColor(Qt::green));
}

TEST(Render, CropsToVisiblePixelsAtHalfThePointSize)
{
    QImage icon(200, 160, QImage::Format_RGBA8888_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.fillRect(30, 40, 101, 60, Qt::white);
    }
    icon.setPixelColor(5, 5, QColor(0, 0, 0, 8));     // faint: cropped away
    icon.setPixelColor(150, 120, QColor(0, 0, 0, 9)); // visible: kept
    const QImage out = Picture::render(icon, QImage());
    EXPECT_EQ(out.size(), QSize(121, 81));
    EXPECT_EQ(out.devicePixelRatio(), 2.0);
    EXPECT_EQ(out.pixelColor(0, 0), QColor(Qt::white));

    QImage clear(50, 50, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage same = Picture::render(clear, solid(4, 4, kRed));
    EXPECT_EQ(same.size(), QSize(50, 50));
    EXPECT_EQ(same.devicePixelRatio(), 1.0);
    EXPECT_TRUE(Picture::render(QImage(), solid(4, 4, kRed)).isNull());
}

TEST(Render, PaintsThenCrops)
{
    const QImage out = Picture::render(monitorPicture(), solid(4, 4, kRed));
    EXPECT_EQ(out.size(), QSize(80, 80));
    EXPECT_EQ(out.pixelColor(40, 40), kRed);
    EXPECT_EQ(out.pixelColor(0, 0), kBezel);
}

TEST(ProductImage, IsMadeOncePerKeyAndFailuresAreNotKept)
{
    Picture::clearCache();
    MacTree tree;
    auto art = std::make_shared<FakeArt>();
    art->declared = {"com.apple.imac"};
    art->picture = monitorPicture();
    auto desktop = std::make_shared<CountingDesktop>();
    desktop->path = tree.home() + "/Pictures/sea.png";
    tree.write(*desktop->path, png(solid(10, 10, kRed)));
    const Picture::Sources sources{art, desktop, tree.fs()};

    const auto first = Picture::image("iMac21,1", "iMac", sources);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->pixelColor(40, 40), kRed);
    const auto second = Picture::image("iMac21,1", "iMac", sources);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->cacheKey(), first->cacheKey());
    EXPECT_EQ(desktop->calls, 1);
    EXPECT_EQ(Picture::cached(Picture::cacheKey("iMac21,1", "iMac")).cacheKey(), first->cacheKey());
    // The key holds identifier and title exactly as given.
    EXPECT_TRUE(Picture::cached(Picture::cacheKey("iMac21,1 ", "iMac")).isNull());

    art->asked.clear();
    EXPECT_EQ(Picture::image("Mac1,1", "Unknown", sources), std::nullopt);
    EXPECT_EQ(Picture::image("Mac1,1", "Unknown", sources), std::nullopt);
    EXPECT_EQ(art->asked, (QStringList{"Mac1,1", "Mac1,1"}));
    EXPECT_EQ(desktop->calls, 1);
    EXPECT_TRUE(Picture::cached(Picture::cacheKey("Mac1,1", "Unknown")).isNull());
    Picture::clearCache();
}

TEST(ProductImage, DrawnFamilyPicturesCarryAPaintableScreenWhereTheyHaveOne)
{
    auto art = host::makeDrawnProductArt();
    const std::pair<const char*, bool> families[] = {
        {"com.apple.macbookpro", true}, {"com.apple.macbookair", true}, {"com.apple.macbook", true},
        {"com.apple.imac", true},       {"com.apple.macmini", false},   {"com.apple.macstudio", false},
        {"com.apple.macpro", false},
    };
    for (const auto& [type, hasScreen] : families) {
        const QString t = QString::fromLatin1(type);
        ASSERT_TRUE(art->isDeclared(t)) << type;
        const QImage icon = art->icon(t);
        ASSERT_EQ(icon.size(), QSize(1024, 1024)) << type;
        const QImage out = Picture::render(icon, solid(16, 16, kRed));
        EXPECT_EQ(out.devicePixelRatio(), 2.0) << type;
        EXPECT_LT(out.width(), 1024) << type;
        const QImage blank = Picture::render(icon, QImage());
        EXPECT_EQ(out != blank, hasScreen) << type;
        if (hasScreen) {
            // The middle of the screen takes the wallpaper, the bezel around it does not.
            EXPECT_EQ(out.pixelColor(out.width() / 2, out.height() / 3), kRed) << type;
        }
    }
    EXPECT_FALSE(art->isDeclared("com.apple.macbookpro-m1"));
    EXPECT_TRUE(art->icon("com.apple.unknown").isNull());
    EXPECT_EQ(art->deviceModelType("MacBookPro18,3"), std::nullopt);
    EXPECT_EQ(art->enclosureColorAnswer(), std::nullopt);
}
