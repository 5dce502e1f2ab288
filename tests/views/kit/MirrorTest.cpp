#include "views/kit/Mirror.h"
#include "views/kit/PushButton.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/Spinner.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"
#include "views/kit/WrappingText.h"

#include <QApplication>
#include <QClipboard>
#include <QGlyphRun>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <climits>

using namespace tw;

namespace {

// The first and last columns a widget's own painting touched.
std::pair<int, int> inkColumns(QWidget& w)
{
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    std::pair<int, int> c{INT_MAX, -1};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).alpha() > 60)
                c = {std::min(c.first, x), std::max(c.second, x)};
    return c;
}

// The left edge of the glyph of character i, the text laid out on one line
// of a paragraph running in direction.
qreal glyphX(const QTextLayout& laid, int i)
{
    const QList<QGlyphRun> runs = laid.glyphRuns(i, 1);
    return runs.isEmpty() ? -1 : runs.first().boundingRect().left();
}

qreal glyphX(const QString& text, int i, Qt::LayoutDirection direction)
{
    QTextLayout layout(text, typescale::font(TextRole::body));
    QTextOption option;
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine().setLineWidth(1000);
    layout.endLayout();
    return glyphX(layout, i);
}

} // namespace

TEST(Mirror, ReflectsGeometryAndAlignmentOnlyWhenRightToLeft)
{
    const Mirror ltr(Qt::LeftToRight, QRect(0, 0, 300, 50)), rtl(Qt::RightToLeft, QRect(0, 0, 300, 50));
    const struct {
        QRect logical, mirrored;
    } rects[] = {{{10, 16, 18, 18}, {272, 16, 18, 18}}, {{250, 0, 40, 20}, {10, 0, 40, 20}}, {{0, 0, 300, 50}, {0, 0, 300, 50}}};
    for (const auto& c : rects) {
        EXPECT_EQ(ltr(c.logical), c.logical);
        EXPECT_EQ(rtl(c.logical), c.mirrored);
        EXPECT_EQ(rtl(c.mirrored), c.logical);
        EXPECT_EQ(rtl(QRectF(c.logical)), QRectF(c.mirrored));
        // A click on a pixel of the shown rect maps back into the rect.
        for (const int x : {c.logical.left() - 1, c.logical.left(), c.logical.right(), c.logical.right() + 1})
            EXPECT_EQ(c.mirrored.contains(rtl(QPoint(x, 20))), c.logical.contains(QPoint(x, 20))) << x;
    }
    EXPECT_EQ(Mirror(Qt::RightToLeft, QRect(100, 0, 200, 10))(QRect(100, 0, 20, 10)), QRect(280, 0, 20, 10));

    const struct {
        Qt::Alignment given, ltr, rtl;
    } alignments[] = {
        {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight},
        {Qt::AlignRight | Qt::AlignTop, Qt::AlignRight | Qt::AlignTop, Qt::AlignLeft | Qt::AlignTop},
        {Qt::AlignVCenter, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignRight | Qt::AlignVCenter},  // no side: leading
        {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter},
        {Qt::AlignLeft | Qt::AlignAbsolute, Qt::AlignLeft, Qt::AlignLeft},  // already as drawn
    };
    for (const auto& c : alignments) {
        EXPECT_EQ(ltr.align(c.given), c.ltr | Qt::AlignAbsolute) << int(c.given);
        EXPECT_EQ(rtl.align(c.given), c.rtl | Qt::AlignAbsolute) << int(c.given);
    }
    EXPECT_EQ(rtl.forwardChevron(), "chevron.left");
}

TEST(TextRuns, APathReadsLeftToRightInsideRightToLeftText)
{
    // Alone in a right-to-left line the slash would trail the name, at its
    // right; as a run it stands first, at the left, after an Arabic label too.
    const QString path = QStringLiteral("/Applications");
    EXPECT_GT(glyphX(path, 0, Qt::RightToLeft), glyphX(path, 1, Qt::RightToLeft));
    const QString label = QStringLiteral("\u0627\u0644\u0645\u0633\u0627\u0631 \u00B7 ");
    const QString line = label + text::leftToRight(path);
    const int slash = int(label.size()) + 1;
    EXPECT_LT(glyphX(line, slash, Qt::RightToLeft), glyphX(line, slash + 1, Qt::RightToLeft));
    EXPECT_LT(glyphX(line, slash + 1, Qt::RightToLeft), glyphX(line, 0, Qt::RightToLeft));
    EXPECT_FALSE(text::leftToRight(QStringLiteral("\u0645\u0644\u0641")).isRightToLeft());
    EXPECT_EQ(text::withoutIsolates(line), label + path);

    // Wrapped, the run goes on as one: its second line, which begins with an
    // Arabic folder name, is drawn as that line read left to right.
    const QString first = QStringLiteral("/Users/ann/"), second = QStringLiteral("\u0645\u0644\u0641/lib");
    const QFont& font = typescale::font(TextRole::caption);
    const QFontMetricsF m(font);
    const qreal width = m.horizontalAdvance(first) + 2;
    auto draw = [&](auto paint) {
        QImage img(200, 60, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setFont(font);
        paint(p);
        return img;
    };
    auto lines = [&](int secondOrder) {
        return draw([&](QPainter& p) {
            const int flags = Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine;
            p.drawText(QRectF(0, 0, width, m.height()), flags | Qt::TextForceLeftToRight, first);
            p.drawText(QRectF(0, m.lineSpacing(), width, m.height()), flags | secondOrder, second);
        });
    };
    ASSERT_NE(lines(Qt::TextForceLeftToRight), lines(Qt::TextForceRightToLeft));
    EXPECT_EQ(draw([&](QPainter& p) {
                  text::drawWrapped(p, QRectF(0, 0, width, 60), font, text::leftToRight(first + second), 0,
                                    Qt::AlignRight | Qt::AlignAbsolute);
              }),
              lines(Qt::TextForceLeftToRight));
}

TEST(TextRuns, ALabelledLineReadsItsLabelFirstAndItsValueAsOneRun)
{
    // The label leads in its own direction (at the right in Arabic, at the
    // left in English), whatever the paragraph's; the value follows it and
    // reads left to right, its slash first and its stop last.
    const QString value = QStringLiteral("/Apple Inc.");
    const struct {
        QString label;
        bool rightToLeft;
    } labels[] = {{QStringLiteral("\u0627\u0644\u0645\u0637\u0648\u0651\u0631"), true},
                  {QStringLiteral("Developer"), false}};
    for (const auto& c : labels) {
        const QString line = text::labelled(c.label, value);
        EXPECT_EQ(text::withoutIsolates(line), c.label + QStringLiteral(" \u00B7 ") + value);
        const int label = int(line.indexOf(c.label)), dot = int(line.indexOf(u'\u00B7')),
                  first = int(line.indexOf(value)), last = first + int(value.size()) - 1;
        for (const Qt::LayoutDirection paragraph : {Qt::LeftToRight, Qt::RightToLeft}) {
            auto x = [&](int i) { return glyphX(line, i, paragraph); };
            const char* where = c.rightToLeft ? "arabic" : "english";
            EXPECT_LT(x(first), x(last)) << where << paragraph;
            if (c.rightToLeft) {
                EXPECT_GT(x(label), x(dot)) << where << paragraph;
                EXPECT_GT(x(dot), x(last)) << where << paragraph;
            } else {
                EXPECT_LT(x(label), x(dot)) << where << paragraph;
                EXPECT_LT(x(dot), x(first)) << where << paragraph;
            }
        }
    }

    // A value's own isolate marks cannot end its run early: "q" stays left of "z".
    const QString hostile = QStringLiteral("q\u2069\u2069\u0645\u0645z");
    const QString line = text::labelled(labels[0].label, hostile);
    for (const Qt::LayoutDirection paragraph : {Qt::LeftToRight, Qt::RightToLeft})
        EXPECT_LT(glyphX(line, int(line.indexOf(u'q')), paragraph), glyphX(line, int(line.indexOf(u'z')), paragraph))
            << paragraph;
    EXPECT_EQ(text::withoutIsolates(text::leftToRight(hostile)), QStringLiteral("q\u0645\u0645z"));

    // Wrapped inside its value, in a right-to-left paragraph, the value goes
    // on as one left-to-right run on the next line.
    const QString first = QStringLiteral("/Users/ann/"), second = QStringLiteral("\u0645\u0644\u0641/lib");
    const QString wrapped = text::labelled(labels[0].label, first + second);
    const QFont& font = typescale::font(TextRole::caption);
    const QFontMetricsF m(font);
    const qreal width = m.horizontalAdvance(labels[0].label + QStringLiteral(" \u00B7 ") + first) + 2;
    ASSERT_LT(width, m.horizontalAdvance(text::withoutIsolates(wrapped)));
    // The second line's band, below what the first line's marks reach into it.
    const QRect band(0, int(m.lineSpacing() + m.descent()), int(width), int(m.height() - m.descent()));
    auto draw = [&](auto paint) {
        QImage img(int(width), 60, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setLayoutDirection(Qt::RightToLeft);
        p.setFont(font);
        paint(p);
        return img.copy(band);
    };
    auto secondLine = [&](int order) {
        return draw([&](QPainter& p) {
            p.drawText(QRectF(0, m.lineSpacing(), width, m.height()),
                       Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine | order, second);
        });
    };
    ASSERT_NE(secondLine(Qt::TextForceLeftToRight), secondLine(Qt::TextForceRightToLeft));
    EXPECT_EQ(draw([&](QPainter& p) {
                  text::drawWrapped(p, QRectF(0, 0, width, 60), font, wrapped, 0, Qt::AlignRight | Qt::AlignAbsolute);
              }),
              secondLine(Qt::TextForceLeftToRight));
}

TEST(TextWidgets, StandAgainstTheLeadingSideAndCopyTheirValueAsItIs)
{
    QWidget parent;
    parent.resize(300, 120);
    auto* label = new TintedLabel(QStringLiteral("Installed version"), Tint::primary, typescale::font(TextRole::body),
                                  &parent);
    label->setGeometry(0, 0, 300, 30);
    auto* value = new WrappingText(Tint::primary, typescale::font(TextRole::body), true, &parent);
    value->setGeometry(0, 40, 300, 40);
    value->setLeftToRight(true);
    value->setText(QStringLiteral("/Applications/Notes.app"));
    for (const Qt::LayoutDirection d : {Qt::RightToLeft, Qt::LeftToRight}) {
        const bool rtl = d == Qt::RightToLeft;
        parent.setLayoutDirection(d);
        for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(value)}) {
            const auto [left, right] = inkColumns(*w);
            EXPECT_EQ(rtl, left > 100) << rtl;
            EXPECT_EQ(rtl, right > 290) << rtl;
        }
    }
    // A layout asking about another width leaves it laid out at its own.
    EXPECT_GT(value->heightForWidth(60), value->heightForWidth(300));
    EXPECT_GT(inkColumns(*value).second, 100);
    // Drawn, the path reads left to right in a right-to-left layout; its
    // value, and what a selection copies, carry no marks.
    parent.setLayoutDirection(Qt::RightToLeft);
    const QTextLayout* laid = value->document()->firstBlock().layout();
    EXPECT_LT(glyphX(*laid, 1), glyphX(*laid, 2));
    EXPECT_EQ(value->text(), "/Applications/Notes.app");
    value->selectAll();
    value->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "/Applications/Notes.app");
}

TEST(MirroredControls, SegmentsAndABusyButtonsSpinnerLead)
{
    SegmentedControl picker({QStringLiteral("Apps"), QStringLiteral("Remains")});
    picker.resize(168, 24);
    picker.setLayoutDirection(Qt::RightToLeft);
    EXPECT_GT(picker.segmentRect(0).left(), picker.segmentRect(1).left());
    EXPECT_EQ(picker.segmentAt(QPoint(150, 12)), 0);
    EXPECT_EQ(picker.segmentAt(QPoint(20, 12)), 1);

    // A busy button's spinner leads its title.
    PushButton button(QStringLiteral("Remove"), PushButton::Style::prominent);
    button.resize(160, 36);
    button.setBusy(true);
    const Spinner* spinner = button.findChild<Spinner*>();
    ASSERT_NE(spinner, nullptr);
    EXPECT_LT(spinner->geometry().center().x(), 80);
    button.setLayoutDirection(Qt::RightToLeft);
    EXPECT_GT(spinner->geometry().center().x(), 80);
}
