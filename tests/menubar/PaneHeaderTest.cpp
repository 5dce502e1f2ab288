#include "menubar/MenuBarRig.h"
#include "menubar/PaneHeader.h"
#include "views/kit/FilterBar.h"
#include "views/kit/TintedLabel.h"

#include <QLayout>
#include <QLineEdit>
#include <QTest>

using namespace tw;
using namespace tw::test;

TEST(PaneHeader, TitleAndSubtitleFollowTheTheme)
{
    ShellHarness shell;
    PaneHeader header(QStringLiteral("Startup <b>Items</b>"), QStringLiteral("Apps & agents"));
    header.resize(460, header.sizeHint().height());
    header.show();
    EXPECT_EQ(header.title()->text(), "Startup <b>Items</b>");  // shown as given, never as markup
    EXPECT_EQ(header.title()->textFormat(), Qt::PlainText);
    EXPECT_EQ(header.subtitle()->text(), "Apps & agents");
    EXPECT_EQ(header.layout()->contentsMargins(), QMargins(14, 28, 14, 8));
    EXPECT_EQ(header.subtitle()->geometry().top() - header.title()->geometry().bottom() - 1, 2);

    struct Case {
        AppAppearance appearance;
        QColor title;
    };
    const Case cases[] = {{AppAppearance::classic, QColor::fromRgbF(0.22f, 0.22f, 0.24f)},
                          {AppAppearance::midnight, Qt::white},
                          {AppAppearance::indigo, Qt::white}};
    for (const Case& c : cases) {
        shell.state->theme().apply(c.appearance, true);
        QCoreApplication::processEvents();
        EXPECT_EQ(header.title()->palette().color(QPalette::WindowText).rgb(), c.title.rgb())
            << rawValue(c.appearance).toStdString();
        EXPECT_EQ(header.subtitle()->palette().color(QPalette::WindowText), AppTheme::secondaryText(c.appearance))
            << rawValue(c.appearance).toStdString();
    }
}

TEST(PaneHeader, SearchFieldWritesEveryKeystroke)
{
    ShellHarness shell;
    QString text;
    QStringList written;
    PaneSearchField search(QStringLiteral("Search apps"),
                           {[&] { return text; }, [&](QString t) { text = t, written << t; }});
    search.resize(460, search.sizeHint().height());
    search.show();
    QLineEdit* field = search.bar()->field();
    EXPECT_EQ(field->placeholderText(), "Search apps");
    EXPECT_TRUE(field->text().isEmpty());

    QTest::keyClicks(field, QStringLiteral("Sa"));
    EXPECT_EQ(written, (QStringList{"S", "Sa"}));
    EXPECT_EQ(text, "Sa");
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(text, "S");

    // The box sits 14 points in from the sides, with 8 below it.
    const QRect box = search.bar()->geometry();
    EXPECT_EQ(box.left(), 14);
    EXPECT_EQ(search.width() - box.right() - 1, 14);
    EXPECT_EQ(search.height() - box.bottom() - 1, 8);
    // Light: the shell's grey on the white panel; dark: a faint white.
    shell.state->theme().apply(AppAppearance::classic, true);
    EXPECT_NE(PaneSearchField::boxColour(), QColor(Qt::white));
    EXPECT_EQ(PaneSearchField::boxColour().alpha(), 255);
    shell.state->theme().apply(AppAppearance::midnight, true);
    EXPECT_LT(PaneSearchField::boxColour().alpha(), 40);
}
