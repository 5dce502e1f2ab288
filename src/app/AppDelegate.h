#pragma once

#include <QObject>

namespace tw {

class AppNavigation;

// The application's delegate: the program keeps running with its window
// hidden, and a reopen request with no visible window brings the main
// window back. The reopen request here is a second launch of the program
// (SingleInstanceGuard); activation changes are not one, since hiding the
// last window changes the activation state by itself.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Makes closing the last window leave the program running.
    explicit AppDelegate(AppNavigation& navigation, QObject* parent = nullptr);

    static bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
    // The reopen request: with no visible window it brings the main window
    // forward. Always true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // A second launch of the program: the main window comes forward even
    // when it is visible (it may lie behind other windows).
    void handleSecondLaunch();
    // Whether any top-level window of the application is visible.
    static bool hasVisibleWindows();

private:
    AppNavigation& m_navigation;
};

} // namespace tw
