#include "app/IconSidebar.h"
#include "app/MainView.h"
#include "app/TitleBarButtons.h"
#include "state/AppNavigation.h"
#include "state/LanguageManager.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/NeonPillButton.h"
#include "support/ProgramHarness.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

void save(const QImage& image, const QString& name)
{
    ASSERT_FALSE(image.isNull()) << name.toStdString();
    ASSERT_TRUE(image.save(screenshotFolder() + u'/' + name)) << name.toStdString();
}

// The window's right-click menu as it opens over the workspace.
QImage menuPicture(MainWindow* window)
{
    QWidget* target = window->mainView()->workspace();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(200, 200), target->mapToGlobal(QPoint(200, 200)));
    QApplication::sendEvent(target, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
        return {};
    // The second entry highlighted, as under the pointer.
    menu->setActiveAction(menu->actions().value(2));
    const QImage picture = menu->grab().toImage();
    menu->close();
    return picture;
}

} // namespace

// The window with its title-bar buttons in each theme (the pointer away and
// over them, with the focus ring on a pill), its right-click menu, and the
// Arabic layout; kept under the build folder to be looked at.
TEST(Screenshots, WindowChromeInEveryThemeAndRightToLeft)
{
    Program p;
    p.fake.tree().makeApp(QStringLiteral("/Applications/Notes.app"), QStringLiteral("com.example.notes"),
                          QStringLiteral("Notes"));
    MainWindow* window = p.startShown();
    TitleBarButtons* buttons = window->titleBarButtons();
    IconSidebar* sidebar = window->mainView()->sidebar();

    for (AppAppearance a : allCases<AppAppearance>()) {
        p.app->state().theme().apply(a, true);
        ASSERT_TRUE(settleForScreenshot(window));
        const QString theme = rawValue(a);
        window->activateWindow();  // the last menu took the activation away
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::mouseMove(window, QPoint(700, 400));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !buttons->isHovered(); }, 10000));
        const QImage plain = window->grab().toImage();
        save(plain, QStringLiteral("window-%1.png").arg(theme));

        QTest::mouseMove(window, buttons->button(TitleBarButton::Kind::minimise)->mapTo(window, QPoint(6, 6)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return buttons->isHovered(); }, 10000));
        sidebar->pill(SidebarTab::startup)->setFocus(Qt::TabFocusReason);
        const QImage hovered = window->grab(QRect(0, 0, 300, 200)).toImage();
        save(hovered, QStringLiteral("window-%1-buttons-hovered.png").arg(theme));
        window->setFocus();

        save(menuPicture(window), QStringLiteral("window-%1-menu.png").arg(theme));
    }
    // The About box as the program's prompter shows it.
    for (AppAppearance a : allCases<AppAppearance>()) {
        p.app->state().theme().apply(a, true);
        AlertDialog about(SweeplineApp::aboutPrompt(), window);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        ASSERT_NE(about.findChild<QLabel*>(QStringLiteral("alertIcon")), nullptr);
        save(about.grab().toImage(), QStringLiteral("about-%1.png").arg(rawValue(a)));
        about.close();
    }

    p.app->state().theme().apply(AppAppearance::midnight, true);
    p.app->state().language().setLanguage(AppLanguage::ar);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (SidebarTab tab : {SidebarTab::system, SidebarTab::theme}) {
        p.navigation().setTab(tab);
        ASSERT_TRUE(settleForScreenshot(window));
        save(window->grab().toImage(), QStringLiteral("window-arabic-%1.png").arg(rawValue(tab)));
    }
    p.app->state().theme().apply(AppAppearance::classic, true);
    ASSERT_TRUE(settleForScreenshot(window));
    save(window->grab().toImage(), QStringLiteral("window-arabic-classic-theme.png"));
    p.app->state().language().setLanguage(AppLanguage::en);
    QCursor::setPos(3000, 3000);  // the pointer leaves, for the tests after this one
    std::cout << "screenshots in " << screenshotFolder().toStdString() << std::endl;
}
