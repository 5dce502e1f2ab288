#pragma once

namespace tw {

class AppNavigation;
class AppScanner;
class Platform;
class Prompter;
class SystemCleaner;
class ThemeManager;

// What every workspace is made with: the engines, the shared state, the
// platform (its settings and its workspace service, which reveals files and
// opens links) and the prompter, through which every alert and confirmation
// goes. All of them outlive the workspace.
struct WorkspaceEnvironment {
    AppScanner& scanner;
    SystemCleaner& cleaner;
    AppNavigation& navigation;
    ThemeManager& theme;
    const Platform& platform;
    Prompter& prompter;
};

} // namespace tw
