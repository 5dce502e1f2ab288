#include "app/AppDelegate.h"

#include "state/AppNavigation.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace tw {

// ---- AppDelegate -----------------------------------------------------------------

AppDelegate::AppDelegate(AppNavigation& navigation, QObject* parent)
    : QObject(parent)
    , m_navigation(navigation)
{
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (!hasVisibleWindows)
        m_navigation.openMainWindow(std::nullopt, false, false);
    return true;
}

void AppDelegate::handleSecondLaunch()
{
    m_navigation.openMainWindow(std::nullopt, false, false);
}

bool AppDelegate::hasVisibleWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
}

} // namespace tw
