#include "app/state/SharedState.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "views/kit/IconView.h"

#include <QHBoxLayout>
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
    enginePool().waitForDone();
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
