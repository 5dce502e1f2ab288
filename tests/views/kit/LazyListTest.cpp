#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/kit/LazyList.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// A list over a vector of texts: section headers ("#...", 24 high) and cards (60 high).
struct Fixture {
    FakePlatform fake;
    SharedState state{fake.platform()};
    QStringList items;
    QList<int> binds;
    LazyList list;

    Fixture()
    {
        list.setSpacing(8);
        list.setPadding(QMargins(10, 10, 10, 10));
        list.setRows({
            .kind = [this](int row) { return items[row].startsWith(u'#') ? 0 : 1; },
            .height = [this](int row, int) { return items[row].startsWith(u'#') ? 24 : 60; },
            .make = [](int kind) -> QWidget* {
                auto* label = new QLabel;
                label->setProperty("kind", kind);
                return label;
            },
            .bind = [this](QWidget* w, int row) {
                binds << row;
                static_cast<QLabel*>(w)->setText(items[row]);
            },
        });
        list.resize(340, 400);
        list.show();
    }

    // Every shown row's widget shows that row's text and is of its kind, where the row lies.
    void expectBound()
    {
        const QList<int> rows = list.shownRows();
        ASSERT_FALSE(rows.isEmpty());
        for (int row : rows) {
            auto* label = qobject_cast<QLabel*>(list.widgetFor(row));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), items[row]) << row;
            EXPECT_EQ(label->property("kind").toInt(), items[row].startsWith(u'#') ? 0 : 1) << row;
            EXPECT_EQ(label->geometry(), list.rowRect(row)) << row;
            EXPECT_TRUE(label->isVisible()) << row;
        }
        // Only rows near the view have widgets.
        const int top = list.verticalScrollBar()->value();
        EXPECT_LE(list.rowRect(rows.first()).top(), std::max(top, 10));
        EXPECT_GE(list.rowRect(rows.last()).bottom(), std::min(top + list.viewport()->height(),
                                                               list.rowRect(list.count() - 1).bottom()));
        EXPECT_LE(rows.size(), list.viewport()->height() / (24 + 8) + 3);
    }
};

QStringList sample(int n, const QString& tag)
{
    QStringList items;
    for (int i = 0; i < n; ++i)
        items << (i % 10 == 0 ? QStringLiteral("#section %1 %2").arg(i).arg(tag)
                              : QStringLiteral("card %1 %2").arg(i).arg(tag));
    return items;
}

} // namespace

TEST(LazyList, MakesWidgetsOnlyForTheRowsInView)
{
    Fixture f;
    f.items = sample(1000, "a");
    f.list.reset(int(f.items.size()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.list));
    f.expectBound();
    const int made = f.list.madeCount();
    EXPECT_LE(made, 10);
    // The row positions: padding, heights and spacing.
    EXPECT_EQ(f.list.rowRect(0), QRect(10, 10, f.list.viewport()->width() - 20, 24));
    EXPECT_EQ(f.list.rowRect(1).top(), 10 + 24 + 8);
    EXPECT_EQ(f.list.rowRect(2).top(), 10 + 24 + 8 + 60 + 8);
    EXPECT_EQ(f.list.rowAt(10 + 24 + 3), -1);  // in the spacing
    EXPECT_EQ(f.list.rowAt(10 + 24 + 8 + 5), 1);
    EXPECT_EQ(f.list.widget()->height(), f.list.rowRect(999).bottom() + 1 + 10);
}

TEST(LazyList, ScrollingReusesWidgetsAndKeepsEveryRowBoundToItsOwnItem)
{
    Fixture f;
    f.items = sample(1000, "a");
    f.list.reset(int(f.items.size()));
    QScrollBar* bar = f.list.verticalScrollBar();
    for (int value : {150, 4000, 4037, 33000, bar->maximum(), 0, 12345}) {
        bar->setValue(value);
        f.expectBound();
    }
    EXPECT_LE(f.list.madeCount(), 14);
    f.list.scrollToRow(500);
    ASSERT_NE(f.list.widgetFor(500), nullptr);
    EXPECT_EQ(static_cast<QLabel*>(f.list.widgetFor(500))->text(), f.items[500]);
}

TEST(LazyList, ResetRebindsTheRowsInViewToTheNewItems)
{
    Fixture f;
    f.items = sample(1000, "a");
    f.list.reset(int(f.items.size()));
    f.list.verticalScrollBar()->setValue(20000);
    const int made = f.list.madeCount();

    // A filter keeps every third item: the rows in view show the new items at once.
    QStringList kept;
    for (int i = 0; i < f.items.size(); i += 3)
        kept << f.items[i].replace(u'a', u'b');
    f.items = kept;
    f.binds.clear();
    f.list.reset(int(f.items.size()));
    f.expectBound();
    EXPECT_EQ(f.binds.size(), f.list.shownRows().size());
    EXPECT_LE(f.list.madeCount(), made + 4);

    // A shorter list than the scroll position: the view moves up to its end.
    f.items = sample(5, "c");
    f.list.reset(5);
    f.expectBound();
    EXPECT_EQ(f.list.shownRows(), (QList<int>{0, 1, 2, 3, 4}));

    // Empty: nothing shown, the spare widgets hidden.
    f.items.clear();
    f.list.reset(0);
    EXPECT_TRUE(f.list.shownRows().isEmpty());
    for (QLabel* label : f.list.widget()->findChildren<QLabel*>())
        EXPECT_FALSE(label->isVisible());
}

TEST(LazyList, UpdatingOneRowMeasuresAndBindsOnlyWhatChanged)
{
    Fixture f;
    f.items = sample(50, "a");
    f.list.reset(int(f.items.size()));
    f.binds.clear();
    f.items[3] = QStringLiteral("#now a header");
    f.list.updateRow(3);
    f.expectBound();
    EXPECT_EQ(f.list.rowRect(3).height(), 24);
    EXPECT_EQ(f.list.rowRect(4).top(), f.list.rowRect(3).bottom() + 1 + 8);
    EXPECT_TRUE(f.binds.contains(3));
    EXPECT_FALSE(f.binds.contains(1));

    f.binds.clear();
    f.items[1] = QStringLiteral("card renamed");
    f.list.updateRows();
    EXPECT_EQ(static_cast<QLabel*>(f.list.widgetFor(1))->text(), "card renamed");
    EXPECT_EQ(f.binds.size(), f.list.shownRows().size());
}
