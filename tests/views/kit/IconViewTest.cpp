#include "state/SharedState.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/ShellHarness.h"
#include "views/kit/IconView.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

TEST(IconView, DecodesOnlyWhenShownAndOncePerIconAndSize)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    const QString app = QStringLiteral("/Applications/Iconic.app");
    fake.tree().makeApp(app, QStringLiteral("com.example.iconic"), QStringLiteral("Iconic"));

    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* first = new IconView(36, 7);
    auto* second = new IconView(36, 7);
    row->addWidget(first);
    row->addWidget(second);
    first->setIcon(IconRef::fileIcon(app));
    second->setIcon(IconRef::fileIcon(app));
    const int before = IconView::decodeCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(IconView::decodeCount(), before);  // nothing shown, nothing decoded

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->isReady() && second->isReady(); }, 10000));
    EXPECT_EQ(IconView::decodeCount(), before + 1);
    // The decoded icon is drawn: the middle of the view is no longer empty.
    waitForEnginePool();
    QCoreApplication::processEvents();
    const QImage shot = first->grab().toImage();
    EXPECT_GT(shot.pixelColor(18, 18).alpha(), 0);

    // No icon: the fallback symbol, nothing decoded.
    auto* none = new IconView(36);
    none->setFallback(Glyph{QStringLiteral("rocket.fill"), 24, Tint::accent});
    row->addWidget(none);
    none->show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(none->isReady());
    EXPECT_EQ(IconView::decodeCount(), before + 1);
}

// A screenshot waits only for pixels on their way: never for a view with no
// icon, one whose decode failed, or one that no paint has asked for (scrolled
// out of sight, or painted before any state could decode it).
TEST(IconView, OnlyADecodeUnderWayKeepsAScreenshotWaiting)
{
    FakePlatform fake;
    const QString app = QStringLiteral("/Applications/Iconic.app");
    fake.tree().makeApp(app, QStringLiteral("com.example.iconic"), QStringLiteral("Iconic"));

    // Painted while no state is installed: nothing decodes, nothing waits.
    {
        IconView early(30);
        early.setIcon(IconRef::fileIcon(app));
        early.grab();
        EXPECT_FALSE(early.isDecoding());
        EXPECT_FALSE(early.isReady());
    }
    SharedState state(fake.platform());

    QScrollArea area;
    area.resize(200, 120);
    auto* page = new QWidget;
    page->resize(180, 1000);
    auto* plain = new IconView(30, 0, page);
    plain->move(0, 0);
    plain->setIcon(IconRef::fileIcon(app));
    auto* symbol = new IconView(30, 0, page);
    symbol->move(40, 0);
    symbol->setFallback(Glyph{QStringLiteral("rocket.fill"), 24, Tint::accent});
    auto* broken = new IconView(30, 0, page);
    broken->move(80, 0);
    broken->setIcon(IconRef::imageFile(QStringLiteral("/Users/tester/Pictures/missing.png")));
    auto* below = new IconView(31, 0, page);
    below->move(0, 900);
    below->setIcon(IconRef::fileIcon(app));
    area.setWidget(page);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));

    ASSERT_TRUE(settleForScreenshot(&area));
    EXPECT_TRUE(plain->isReady());
    EXPECT_TRUE(broken->isReady());  // its decode ended, with nothing to show
    EXPECT_FALSE(broken->isDecoding());
    EXPECT_FALSE(symbol->isReady());
    EXPECT_FALSE(symbol->isDecoding());
    EXPECT_TRUE(below->isVisible());  // shown, but out of the viewport: never asked for
    EXPECT_FALSE(below->isReady());
    EXPECT_FALSE(below->isDecoding());

    // Scrolled into view, it decodes; the wait then covers it.
    area.ensureWidgetVisible(below);
    below->grab();
    EXPECT_TRUE(below->isDecoding() || below->isReady());
    ASSERT_TRUE(settleForScreenshot(&area));
    EXPECT_TRUE(below->isReady());
}
