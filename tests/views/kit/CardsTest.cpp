#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/RoundedCard.h"
#include "views/kit/Symbols.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;
using neon::faded;
using neon::rgb;

TEST(CardLook, SharedLooksInEveryTheme)
{
    using A = AppAppearance;
    struct Case {
        A theme;
        qreal radius;
        QColor normalFill, normalStroke, selectionFill, selectionStroke, glow;
    };
    const Case cases[] = {
        {A::midnight, 10, rgb(0.07, 0.12, 0.22), faded(rgb(0.25, 0.70, 1.0), 0.28), faded(rgb(0.10, 0.28, 0.55), 0.45),
         rgb(0.25, 0.78, 1.0), faded(rgb(0.15, 0.65, 1.0), 0.55)},
        {A::classic, 8, QColor(Qt::white), rgb(0.88, 0.89, 0.91), faded(rgb(0.22, 0.50, 0.94), 0.08),
         faded(rgb(0.22, 0.50, 0.94), 0.55), faded(rgb(0.22, 0.50, 0.94), 0.55)},
        {A::indigo, 18, rgb(0.07, 0.10, 0.17), faded(Qt::white, 0.14), faded(rgb(0.12, 0.30, 0.55), 0.40),
         rgb(0.45, 0.73, 1.0), faded(rgb(0.12, 0.56, 1.0), 0.55)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.theme).toStdString());
        EXPECT_EQ(CardLook::radius(c.theme), c.radius);
        const CardLook normal = CardLook::normal(c.theme);
        EXPECT_EQ(normal.fill, c.normalFill);
        EXPECT_EQ(normal.stroke, c.normalStroke);
        EXPECT_EQ(normal.strokeWidth, 1.0);
        EXPECT_EQ(normal.glow.alpha(), 0);
        const CardLook active = CardLook::active(c.theme);
        EXPECT_EQ(active.fill, c.selectionFill);
        EXPECT_EQ(active.stroke, c.selectionStroke);
        EXPECT_EQ(active.strokeWidth, 1.6);
        EXPECT_EQ(active.glow, c.glow);
        // An expanded group: selected fill; outlined at 1 pt only when one of its members is the selection.
        EXPECT_EQ(CardLook::highlighted(c.theme).fill, c.selectionFill);
        EXPECT_EQ(CardLook::highlighted(c.theme).stroke, c.normalStroke);
        EXPECT_EQ(CardLook::outlined(c.theme).stroke, c.selectionStroke);
        EXPECT_EQ(CardLook::outlined(c.theme).strokeWidth, 1.0);
        EXPECT_EQ(CardLook::outlined(c.theme).glow.alpha(), 0);
        EXPECT_EQ(CardLook::accented(c.theme).fill, faded(AppTheme::accent(c.theme), 0.10));
        EXPECT_EQ(CardLook::accented(c.theme).stroke, faded(AppTheme::accent(c.theme), 0.55));
    }
}

TEST(RoundedCard, PaintsItsLookForTheCurrentThemeAndReportsClicksOnItself)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    RoundedCard card;
    card.resize(300, 60);
    auto* box = new AppKitCheckbox(&card);
    box->move(10, 21);
    card.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));

    // The card rendered over white, at its middle.
    auto centre = [&] {
        QImage img(card.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        card.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
        return img.pixelColor(150, 30);
    };
    auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2
            && std::abs(a.blue() - b.blue()) <= 2;
    };
    EXPECT_TRUE(near(centre(), rgb(0.07, 0.12, 0.22)));
    card.setLook(&CardLook::active);
    EXPECT_EQ(card.look(), &CardLook::active);
    state.theme().apply(AppAppearance::classic, true);
    // The classic accent at 0.08 over white.
    EXPECT_TRUE(near(centre(), QColor(239, 245, 254)));
    EXPECT_EQ(card.radius(), 8);

    QSignalSpy clicked(&card, &RoundedCard::clicked);
    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(clicked.count(), 1);
    // A click on the check box is the box's own.
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(box->isOn());
}

TEST(Symbols, EveryNameTheInterfaceUsesHasAnIcon)
{
    // The symbol names the workspaces, the System tab and the menu bar ask for.
    const QStringList used{
        "a.square.fill", "airplane", "arrow.clockwise", "arrow.down.doc.fill", "arrow.right",
        "arrow.triangle.2.circlepath", "bolt.horizontal.circle.fill", "bubble.left", "checkmark.circle.fill",
        "checkmark.seal.fill", "chevron.down", "chevron.right", "circle", "cpu", "doc.badge.gearshape", "doc.fill",
        "doc.on.doc", "doc.on.doc.fill", "doc.text.fill", "folder.fill", "gearshape.fill", "globe", "hammer.fill",
        "info.circle", "internaldrive.fill", "laptopcomputer", "magnifyingglass", "memorychip", "moon.stars.fill",
        "paintpalette.fill", "person.badge.key.fill", "pin", "pin.fill", "puzzlepiece.extension",
        "puzzlepiece.extension.fill", "puzzlepiece.fill", "questionmark.circle", "rocket.fill", "shippingbox.fill",
        "slider.horizontal.3", "speedometer", "square.and.arrow.down.on.square", "square.grid.2x2.fill", "trash",
        "xmark", "xmark.circle.fill"};
    for (const QString& name : used) {
        EXPECT_TRUE(symbols::names().contains(name)) << name.toStdString();
        const QImage img = symbols::image(name, 32, QColor(0, 0, 255));
        ASSERT_FALSE(img.isNull()) << name.toStdString();
        int inked = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y).alpha() > 128)
                    ++inked;
        EXPECT_GT(inked, 20) << name.toStdString();
    }
    // Two names that look alike on the platform still get icons of their own.
    EXPECT_NE(symbols::fileFor("puzzlepiece.fill"), symbols::fileFor("puzzlepiece.extension.fill"));
}

TEST(Symbols, GlyphsResolveTheirTintForTheTheme)
{
    EXPECT_EQ(tintedSymbol("trash").colourIn(AppAppearance::classic), rgb(0.22, 0.50, 0.94));
    EXPECT_EQ(tintedSymbol("trash").colourIn(AppAppearance::indigo), rgb(0.12, 0.56, 1.0));
    const Glyph refresh = refreshGlyph();
    EXPECT_EQ(refresh.symbol, "arrow.clockwise");
    EXPECT_EQ(refresh.colourIn(AppAppearance::midnight), AppTheme::secondaryText(AppAppearance::midnight));
    Glyph faint{"trash", 13, Tint::accent, 0.5};
    EXPECT_NEAR(faint.colourIn(AppAppearance::midnight).alphaF(), 0.5, 0.01);
    Glyph fixed{"trash", 13, Tint::accent, 1.0, QColor(Qt::red)};
    EXPECT_EQ(fixed.colourIn(AppAppearance::classic), QColor(Qt::red));
}
