#pragma once

#include "state/NavigationTypes.h"
#include "state/TabFactories.h"

#include <functional>

class QWidget;

namespace tw {

class AppNavigation;
class AppScanner;
class Prompter;
class SystemCleaner;
class SystemMonitor;
class ThemeManager;
class UpdateChecker;

// What a quick pane of the side panel is made with. The update checker is
// the menu bar's own; onOpenInApp opens the main window on the pane's tab
// and closes the preview and the panel. All of it outlives the pane.
struct QuickPaneEnvironment {
    AppScanner& scanner;
    SystemCleaner& cleaner;
    UpdateChecker& updateChecker;
    AppNavigation& navigation;
    ThemeManager& theme;
    SystemMonitor& monitor;
    Prompter& prompter;
    std::function<void()> onOpenInApp;
};

// The makers of the side panel's panes, one per category; a category
// without one shows an empty area above the footer. Filled by
// registerQuickPanes.
using QuickPanes = TabFactories<QuickPaneEnvironment>;

// Registers every quick pane, one line per category
// (src/menubar/RegisterQuickPanes.cpp). The menu bar controller calls it
// when it is made; calling it again changes nothing.
void registerQuickPanes();

} // namespace tw
