#include "views/kit/CardText.h"
#include "views/kit/ClickableRow.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace tw;

namespace {

QMouseEvent mouse(QEvent::Type type, Qt::MouseButton button, QPoint at = {})
{
    return QMouseEvent(type, QPointF(at), QPointF(at), button, button, Qt::NoModifier);
}

// A row whose clicks count only in its left half.
class HalfRow : public ClickableRow {
public:
    QRect clickArea() const override { return QRect(0, 0, width() / 2, height()); }
};

// The rows and columns a painting touched on a transparent image.
struct Ink {
    int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
};

Ink inkOf(const QImage& img)
{
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).alpha() > 0) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

} // namespace

TEST(TypeScale, RolesShareOneFontAndMeasureWholeLines)
{
    const QFont& row = typescale::font(TextRole::rowTitle);
    // One font per role, kept: every view asking gets the same object.
    EXPECT_EQ(&row, &typescale::font(TextRole::rowTitle));
    EXPECT_EQ(row.pixelSize(), 13);
    EXPECT_EQ(row.weight(), QFont::DemiBold);
    EXPECT_EQ(typescale::font(TextRole::caption).pixelSize(), 11);
    // Both ends of the table line up with the roles.
    EXPECT_EQ(typescale::font(TextRole::emptyTitle).pixelSize(), 28);
    EXPECT_EQ(typescale::font(TextRole::glyphBadge).pixelSize(), 9);
    EXPECT_EQ(typescale::font(TextRole::glyphBadge).weight(), QFont::Bold);
    EXPECT_EQ(typescale::font(TextRole::button).pixelSize(), 14);
    EXPECT_GT(typescale::font(TextRole::pageTitle).pixelSize(), typescale::font(TextRole::detailTitle).pixelSize());
    for (TextRole role : {TextRole::glyphBadge, TextRole::caption, TextRole::body, TextRole::emptyTitle}) {
        const qreal exact = QFontMetricsF(typescale::font(role)).height();
        EXPECT_EQ(typescale::lineHeight(role), int(std::ceil(exact)));
    }
    // The rounded design survives a resize, and the size is whole pixels.
    const QFont pill = typescale::resized(TextRole::pill, 10.2);
    EXPECT_EQ(pill.family(), typescale::font(TextRole::pill).family());
    EXPECT_EQ(pill.weight(), QFont::DemiBold);
    EXPECT_EQ(pill.pixelSize(), 10);
    EXPECT_EQ(typescale::points(TextRole::pill), 12);
}

TEST(PressTracker, ClicksOnlyWhereThePressBegan)
{
    PressTracker<int> press;
    auto down = mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    auto up = mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    auto rightDown = mouse(QEvent::MouseButtonPress, Qt::RightButton);
    auto rightUp = mouse(QEvent::MouseButtonRelease, Qt::RightButton);

    EXPECT_TRUE(press.press(&down, 2));
    EXPECT_TRUE(press.isPressed(2));
    EXPECT_EQ(press.release(&up, 2), 2);
    // The release ended the press: a second one clicks nothing.
    EXPECT_EQ(press.release(&up, 2), std::nullopt);

    // Dragged onto another part, or off every part.
    press.press(&down, 1);
    EXPECT_EQ(press.release(&up, 3), std::nullopt);
    press.press(&down, 1);
    EXPECT_EQ(press.release(&up, std::nullopt), std::nullopt);
    EXPECT_FALSE(press.pressed());

    // Nothing under the press, or another button.
    EXPECT_FALSE(press.press(&down, std::nullopt));
    EXPECT_EQ(press.release(&up, std::nullopt), std::nullopt);
    EXPECT_FALSE(press.press(&rightDown, 1));
    EXPECT_EQ(press.release(&rightUp, 1), std::nullopt);
    press.press(&down, 1);
    EXPECT_EQ(press.release(&rightUp, 1), std::nullopt);
}

TEST(ClickableRow, ClicksInsideItsAreaOnly)
{
    HalfRow row;
    row.resize(200, 40);
    auto* control = new QPushButton(&row);
    control->setGeometry(10, 5, 30, 30);
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    QSignalSpy clicked(&row, &ClickableRow::clicked);

    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(80, 20));
    EXPECT_EQ(clicked.count(), 1);
    // Outside the area, with another button, or released elsewhere.
    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseClick(&row, Qt::RightButton, {}, QPoint(80, 20));
    QTest::mousePress(&row, Qt::LeftButton, {}, QPoint(80, 20));
    EXPECT_TRUE(row.isPressed());
    QTest::mouseRelease(&row, Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_FALSE(row.isPressed());
    EXPECT_EQ(clicked.count(), 1);
    // A child control keeps its own clicks.
    QSignalSpy pushed(control, &QPushButton::clicked);
    QTest::mouseClick(control, Qt::LeftButton);
    EXPECT_EQ(pushed.count(), 1);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(CardText, CentresTheBlockAndCutsEachLineToTheBox)
{
    const CardText exact{3};
    const CardText whole{2, true};
    const QFont& title = typescale::font(TextRole::rowTitle);
    const QFont& caption = typescale::font(TextRole::caption);
    EXPECT_DOUBLE_EQ(exact.titleCaptionHeight(), QFontMetricsF(title).height() + 3 + QFontMetricsF(caption).height());
    EXPECT_DOUBLE_EQ(whole.titleCaptionHeight(), neon::lineHeight(title) + 2 + neon::lineHeight(caption));
    const QList<CardLine> three{CardLine::title(QStringLiteral("A")), CardLine::caption(QStringLiteral("B")),
                                CardLine::caption(QStringLiteral("C"))};
    EXPECT_DOUBLE_EQ(whole.height(three), whole.titleCaptionHeight() + 2 + neon::lineHeight(caption));
    EXPECT_DOUBLE_EQ(whole.height({}), 0);

    // A long title in a narrow box: nothing drawn past its right edge, the
    // block centred in its height.
    QImage img(200, 80, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        exact.paint(p, Mirror(Qt::LeftToRight, img.rect()), QRectF(20, 0, 100, 80), QString(40, QLatin1Char('W')),
                    QStringLiteral("caption"));
    }
    const Ink ink = inkOf(img);
    ASSERT_GE(ink.right, 0);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 120);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 40, 4);

    // Right-aligned lines end at the box's right edge.
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        CardText{2, false, Qt::AlignRight}.paint(p, QRectF(0, 0, 150, 80), {CardLine::title(QStringLiteral("12 MB"))});
    }
    const Ink right = inkOf(img);
    EXPECT_LE(right.right, 150);
    EXPECT_GE(right.right, 140);

    // Mirrored, the same box stands at the other end of the row and its
    // trailing side is the left one.
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        CardText{2, false, Qt::AlignRight}.paint(p, Mirror(Qt::RightToLeft, img.rect()), QRectF(0, 0, 150, 80),
                                                 {CardLine::title(QStringLiteral("12 MB"))});
    }
    const Ink mirrored = inkOf(img);
    EXPECT_GE(mirrored.left, 50);
    EXPECT_LE(mirrored.left, 60);
}

// A line break or another control character in a text from the disk is
// drawn as a space: the text shows whole, on one line; isolates stay.
TEST(TextLines, ControlCharactersShowAsSpaces)
{
    const QFont& font = typescale::font(TextRole::itemName);
    EXPECT_EQ(neon::elided(QStringLiteral("New\nLine.app"), font, 1000), "New Line.app");
    EXPECT_EQ(text::wrappedHeight(font, QStringLiteral("New\nLine.app"), 1000), neon::lineHeight(font));
    EXPECT_EQ(text::singleLine(QStringLiteral("\r\na\u2028b\tc\u0007d\u0085e\u2029f")), "  a b c d e f");
    EXPECT_EQ(text::singleLine(text::leftToRight(QStringLiteral("a\nb"))), text::leftToRight(QStringLiteral("a b")));
}
