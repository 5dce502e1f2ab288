// The painted rows of the tabs in both layout directions: in a
// right-to-left layout a row is the mirror of itself (its box or icon at the
// right, its title against them, its trailing value at the left), clicks
// land on what is shown, and a path reads as one left-to-right run.

#include "views/applications/AppListCard.h"
#include "views/applications/FileTreeRows.h"
#include "views/applications/LeftoverFileRow.h"
#include "views/applications/Records.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/FittedText.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/TextLines.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"
#include "views/startup/StartupListCard.h"
#include "views/system/SystemMachineCard.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

using namespace tw;
using namespace tw::test;

namespace {

// What one kind of row shows, in its own left-to-right terms.
struct RowCase {
    const char* kind;
    int width;
    // Builds the row bound to a record, in parent, at (0, 0, width, its height).
    std::function<QWidget*(QWidget* parent)> make;
    // The box or icon that leads the row.
    std::function<QWidget*(QWidget* row)> lead;
    // Where the title begins, left to right, and the rows it is drawn in.
    std::function<int(QWidget* row)> textStart;
    std::pair<int, int> titleRows;
    // Where the trailing value ends, left to right, and its rows (none: the row has none).
    std::optional<int> trailingEnd;
    std::pair<int, int> trailingRows = {0, 0};
    // What a click on the lead changes (its state read before and after), if anything.
    std::function<int()> clickEffect;
};

// Light pixels of a row painted over black: its texts in the midnight theme.
QImage paintedOverBlack(QWidget* row)
{
    QImage img(row->size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    row->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

bool inked(const QImage& img, int x, int top, int bottom)
{
    for (int y = top; y <= bottom; ++y)
        if (img.pixelColor(x, y).lightness() > 110)
            return true;
    return false;
}

// The first inked column met walking from x by step (one pixel at a time).
int firstInk(const QImage& img, int x, int step, std::pair<int, int> rows)
{
    for (x = std::clamp(x, 0, img.width() - 1); x >= 0 && x < img.width(); x += step)
        if (inked(img, x, rows.first, rows.second))
            return x;
    return -1;
}

// A left press and release at pos of the row, delivered to what lies there.
void clickAt(QWidget* row, QPoint pos)
{
    QWidget* target = row->childAt(pos);
    if (!target)
        target = row;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(row, pos));
}

struct Records {
    AppInfoPtr app = makeApp({QStringLiteral("Notes"), QStringLiteral("com.example.notes"), 1'200'000});
    LeftoverPtr leftover = addLeftover(app, QStringLiteral("/Library/Application Support/com.example.notes"), 2'000'000,
                                       false, QStringLiteral("Application Support"));
    int startupSelections = 0;
};

QList<RowCase> rowCases(Records& r)
{
    return {
        {"applications list row", 340,
         [&r](QWidget* parent) -> QWidget* {
             auto* card = new AppListCard(parent);
             card->setGeometry(0, 0, 340, AppListCard::entryHeight);
             card->bind(r.app, false, std::nullopt);
             return card;
         },
         [](QWidget* row) -> QWidget* { return static_cast<AppListCard*>(row)->checkbox(); },
         [](QWidget*) { return 10 + 18 + 10 + 36 + 10; }, {8, 26}, 340 - 10, {8, 26},
         [&r] { return int(r.app->isSelected()); }},
        {"file tree row", 400,
         [&r](QWidget* parent) -> QWidget* {
             auto* row = new LeftoverFileRow(parent);
             row->bind(r.leftover, QStringLiteral("folder.fill"));
             row->setGeometry(0, 0, 400, LeftoverFileRow::heightFor(*r.leftover, 400));
             return row;
         },
         [](QWidget* row) -> QWidget* { return static_cast<LeftoverFileRow*>(row)->checkbox(); },
         [](QWidget*) { return int(tree::textLeft()); }, {3, 14}, 400, {3, 12},
         [&r] { return int(r.leftover->isSelected()); }},
        {"information table row", 300,
         [](QWidget* parent) -> QWidget* {
             auto* row = new SpecRowView(QStringLiteral("Processor"), parent);
             row->setValue(QStringLiteral("Intel(R) Xeon(R) 2.20GHz"));
             row->setGeometry(0, 0, 300, row->heightForWidth(300));
             return row;
         },
         [](QWidget* row) -> QWidget* {
             auto* machineRow = static_cast<SpecRowView*>(row);
             for (FittedText* t : row->findChildren<FittedText*>())
                 if (t != machineRow->valueText())
                     return t;
             return nullptr;
         },
         [](QWidget*) { return 96 + 8; }, {2, 10}, std::nullopt},
        {"startup row", 340,
         [&r](QWidget* parent) -> QWidget* {
             auto* card = new StartupListCard(parent);
             card->setGeometry(0, 0, 340, StartupListCard::rowHeight());
             RemovableItem item;
             item.title = QStringLiteral("com.example.notes.helper");
             item.category = QStringLiteral("Launch Agent");
             item.path = QStringLiteral("/Library/LaunchAgents/com.example.notes.helper.plist");
             item.icon = IconRef::symbol(QStringLiteral("rocket.fill"));
             card->bind(item, false, [&r] { ++r.startupSelections; }, [](bool) {});
             return card;
         },
         [](QWidget* row) -> QWidget* { return row->findChild<IconView*>(); },
         [](QWidget*) { return 12 + 36 + 12; }, {12, 24}, std::nullopt, {0, 0},
         [&r] { return r.startupSelections; }},
    };
}

} // namespace

TEST(MirroredRows, EveryKindOfRowMirrorsWithItsLayout)
{
    Records records;
    for (const RowCase& c : rowCases(records)) {
        SCOPED_TRACE(c.kind);
        QWidget parent;
        parent.resize(c.width, 80);
        QWidget* row = c.make(&parent);
        parent.show();
        const QRect leadLtr = c.lead(row)->geometry();
        for (const Qt::LayoutDirection d : {Qt::RightToLeft, Qt::LeftToRight}) {
            const bool rtl = d == Qt::RightToLeft;
            SCOPED_TRACE(rtl ? "right to left" : "left to right");
            parent.setLayoutDirection(d);
            const Mirror m(d, row->rect());
            const int w = row->width();

            // The box or icon leads: at the right when mirrored, where the
            // left-to-right row had it, reflected.
            QWidget* lead = c.lead(row);
            EXPECT_EQ(lead->geometry(), m(leadLtr));
            EXPECT_EQ(lead->geometry().center().x() > w / 2, rtl);

            // The title stands against the lead: its first ink, walking away
            // from the lead, lies where the text begins.
            const QImage img = paintedOverBlack(row);
            const int start = c.textStart(row);
            const int title = rtl ? firstInk(img, w - start + 3, -1, c.titleRows)
                                  : firstInk(img, start - 3, 1, c.titleRows);
            ASSERT_GE(title, 0);
            EXPECT_NEAR(title, rtl ? w - start : start, 3);
            // The trailing value ends at the trailing edge.
            if (c.trailingEnd) {
                const int end = *c.trailingEnd;
                const int value = rtl ? firstInk(img, w - end - 3, 1, c.trailingRows)
                                      : firstInk(img, end + 2, -1, c.trailingRows);
                ASSERT_GE(value, 0);
                EXPECT_NEAR(value, rtl ? w - end : end - 1, 3);
            }
            // A click where the lead is shown reaches it.
            if (c.clickEffect) {
                const int before = c.clickEffect();
                clickAt(row, lead->geometry().center());
                EXPECT_NE(c.clickEffect(), before);
            }
        }
    }
}

TEST(MirroredRows, APathInARightToLeftRowReadsAsOneLeftToRightRun)
{
    // A folder whose first name is Arabic: read on its own in a right-to-left
    // line, its names would come out in reverse order.
    const QString folder = QStringLiteral("/\u0645\u0633\u062A\u0646\u062F\u0627\u062A/Notes");
    AppInfoPtr app = makeApp({QStringLiteral("Notes"), QStringLiteral("com.example.notes")});
    LeftoverPtr file = addLeftover(app, folder + QStringLiteral("/notes.db"), 4096);
    QWidget parent;
    parent.resize(400, 60);
    parent.setLayoutDirection(Qt::RightToLeft);
    auto* row = new LeftoverFileRow(&parent);
    row->bind(file, QStringLiteral("doc.fill"));
    row->setGeometry(0, 0, 400, LeftoverFileRow::heightFor(*file, 400));
    EXPECT_EQ(row->folder(), folder);  // the value itself carries no marks

    QImage shown(row->size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::transparent);
    row->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    // The folder line, as the row lays it out, drawn in each reading order.
    const QFont& name = typescale::font(TextRole::itemName);
    const QFont& caption = typescale::font(TextRole::caption);
    const qreal top = 2 + QFontMetricsF(name).height() + 2;
    const QRect band(0, int(top), 400 - int(tree::textLeft()), int(std::ceil(QFontMetricsF(caption).height())));
    auto drawnAs = [&](Qt::TextFlag order) {
        QImage img(row->size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setPen(secondaryTint());
        p.setFont(caption);
        p.drawText(QRectF(0, top, 400 - tree::textLeft(), QFontMetricsF(caption).height()),
                   Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine | order, folder);
        return img;
    };
    const QImage leftToRight = drawnAs(Qt::TextForceLeftToRight);
    const QImage rightToLeft = drawnAs(Qt::TextForceRightToLeft);
    ASSERT_NE(leftToRight.copy(band), rightToLeft.copy(band));  // the two orders differ
    EXPECT_EQ(shown.copy(band), leftToRight.copy(band));
}
