// Icons from a hostile disk: files that block, that are cut short or that
// are too large fall back to the generic artwork.

#include "platform/IconLoader.h"
#include "support/MacTree.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tw;
using tw::test::MacTree;

namespace {

QByteArray redPng(int side)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST(IconLoaderLimits, BlockingShortAndOversizedIconFilesFallBackToTheGenericArtwork)
{
    MacTree t;
    const IconLoader loader(t.fs());
    const QImage genericFile = loader.image(IconRef::imageFile("/missing.png"), 32);
    ASSERT_FALSE(genericFile.isNull());

    t.write("/red.png", redPng(64));
    const QImage red = loader.image(IconRef::imageFile("/red.png"), 32);
    EXPECT_EQ(red.size(), QSize(32, 32));
    EXPECT_EQ(red.pixelColor(16, 16), QColor(Qt::red));

    ASSERT_EQ(::mkfifo(t.fs().toHost("/fifo.png").constData(), 0600), 0);
    t.write("/short.png", redPng(64).left(60));
    t.write("/huge.png", redPng(64) + QByteArray(16 << 20, '\0'));
    for (const char* file : {"/fifo.png", "/short.png", "/huge.png"})
        EXPECT_EQ(loader.image(IconRef::imageFile(file), 32), genericFile) << file;

    // An application whose declared icon file is a FIFO shows the generic application.
    t.makeApp("/Applications/Plain.app", "com.example.plain", "Plain");
    tw::test::BundleRecipe recipe;
    recipe.identifier = "com.example.fifo";
    recipe.extra = {{"CFBundleIconFile", "icon"}};
    t.makeApp("/Applications/Fifo.app", recipe);
    t.mkdir("/Applications/Fifo.app/Contents/Resources");
    ASSERT_EQ(::mkfifo(t.fs().toHost("/Applications/Fifo.app/Contents/Resources/icon.icns").constData(), 0600), 0);
    EXPECT_EQ(IconLoader::bundleIconFile(t.fs(), "/Applications/Fifo.app"), "/Applications/Fifo.app/Contents/Resources/icon.icns");
    EXPECT_EQ(loader.image(IconRef::fileIcon("/Applications/Fifo.app"), 32),
              loader.image(IconRef::fileIcon("/Applications/Plain.app"), 32));
}
