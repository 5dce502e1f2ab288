#include "app/MainWindow.h"
#include "app/ThemedMenu.h"
#include "app/WindowChrome.h"
#include "state/Theme.h"
#include "support/ProgramHarness.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolTip>
#include <QWindow>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// The tooltip on screen, when one is.
QLabel* shownTip()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            return qobject_cast<QLabel*>(w);
    return nullptr;
}

// Shows the tooltip of w as hovering would, and waits for it.
QLabel* hoverTip(QWidget* w)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &help);
    QLabel* tip = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (tip = shownTip()) != nullptr; }, 5000));
    return tip;
}

// The colour of a tooltip's panel, beside its text.
QColor panelColour(QLabel* tip)
{
    const QImage picture = tip->grab().toImage();
    return picture.pixelColor(picture.width() - 3, picture.height() / 2);
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 && std::abs(a.blue() - b.blue()) <= 3;
}

} // namespace

TEST(PopupTheme, TooltipsAndMenusTakeTheThemesColoursAndTheWindowsFont)
{
    Program p;
    MainWindow* window = p.startShown();
    auto* button = new QPushButton(QStringLiteral("x"), window);
    button->setToolTip(QStringLiteral("Check for Updates"));
    button->setGeometry(400, 300, 40, 20);
    button->show();

    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic, AppAppearance::indigo}) {
        SCOPED_TRACE(rawValue(a).toStdString());
        p.app->state().theme().apply(a, true);
        QLabel* tip = hoverTip(button);
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase), AppTheme::cardFill(a));
        EXPECT_EQ(tip->palette().color(QPalette::ToolTipText), AppTheme::primaryText(a));
        EXPECT_TRUE(near(panelColour(tip), AppTheme::cardFill(a))) << panelColour(tip).name().toStdString();
        EXPECT_EQ(tip->font().family(), ThemedMenu::toolTipFont().family());
        EXPECT_EQ(tip->font().pixelSize(), ThemedMenu::toolTipFont().pixelSize());

        // Menus: the window's font and the theme's colours, themed or plain.
        ThemedMenu themed;
        EXPECT_EQ(themed.font(), ThemedMenu::menuFont());
        // Its rounded corners are cut from the window, for desktops without a compositor.
        themed.addAction(QStringLiteral("About Tidewell"));
        themed.popup(window->mapToGlobal(QPoint(100, 100)));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&themed));
        const int w = themed.width(), h = themed.height();
        EXPECT_FALSE(themed.mask().contains(QPoint(0, 0)));
        EXPECT_FALSE(themed.mask().contains(QPoint(w - 1, h - 1)));
        EXPECT_TRUE(themed.mask().contains(QPoint(w / 2, h / 2)));
        EXPECT_TRUE(themed.mask().contains(QPoint(w / 2, 0)));
        themed.close();
        QMenu plain;
        plain.ensurePolished();
        EXPECT_EQ(plain.font().family(), ThemedMenu::menuFont().family());
        EXPECT_EQ(plain.palette().color(QPalette::Text), AppTheme::primaryText(a));
        EXPECT_EQ(plain.palette().color(QPalette::Window), AppTheme::panelBase(a));
    }
    QToolTip::hideText();
}

TEST(PopupTheme, ThePlatformResettingItsThemeDoesNotUndoThePrograms)
{
    Program p;
    MainWindow* window = p.startShown();
    p.app->state().theme().apply(AppAppearance::indigo, true);
    const QPalette theme = WindowChrome::paletteFor(AppAppearance::indigo);
    auto* button = new QPushButton(QStringLiteral("x"), window);
    button->setToolTip(QStringLiteral("Rescan"));
    button->setGeometry(400, 300, 40, 20);
    button->show();

    // What a desktop's theme change does: the platform's tooltip palette,
    // its class palettes and fonts, then a theme-change event to the windows.
    auto platformResets = [] {
        QToolTip::setPalette(QPalette(Qt::white));
        QApplication::setPalette(QPalette(Qt::white), "QMenu");
        QApplication::setFont(QFont(QStringLiteral("Serif"), 20), "QMenu");
        QToolTip::setFont(QFont(QStringLiteral("Serif"), 20));
    };
    platformResets();
    QEvent change(QEvent::ThemeChange);
    QApplication::sendEvent(window->windowHandle(), &change);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::palette() == theme; }, 5000));
    EXPECT_EQ(QApplication::palette("QMenu"), theme);
    EXPECT_EQ(QApplication::palette("QTipLabel"), theme);
    EXPECT_EQ(QApplication::palette().color(QPalette::ToolTipBase), theme.color(QPalette::ToolTipBase));
    EXPECT_EQ(QApplication::font("QMenu"), ThemedMenu::menuFont());
    EXPECT_EQ(QToolTip::font(), ThemedMenu::toolTipFont());
    // Once put back, it stays: no change answers the keeper's own.
    int changes = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::ApplicationPaletteChange || e->type() == QEvent::ApplicationFontChange)
                ++*n;
            return false;
        }
    } counter(&changes);
    drainEvents();  // the changes of the restoring settle
    qApp->installEventFilter(&counter);
    drainEvents();  // the keeper answers through posted events only
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(changes, 0);

    // Unannounced: the next tooltip still shows the theme.
    platformResets();
    QLabel* tip = hoverTip(button);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase), AppTheme::cardFill(AppAppearance::indigo));
    EXPECT_TRUE(near(panelColour(tip), AppTheme::cardFill(AppAppearance::indigo)));
    QToolTip::hideText();
}
