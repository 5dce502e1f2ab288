#pragma once

#include <QObject>
#include <QSet>

#include <functional>

class QWidget;

namespace tw {

class AppNavigation;

// Process-wide notices between the shell's pieces (the notification centre's
// twin). Owned by SharedState.
class WindowNotices : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static WindowNotices& shared();

signals:
    // Sent by AppNavigation::openMainWindow when no window qualifies; the
    // open bridge answers it by creating a new main window.
    void reopenMainWindow();
};

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

// Turns closing an attached window into hiding it: the window, its content and
// its state survive, and openMainWindow finds it again. Closes that are part
// of quitting the application pass through, so quitting still works.
class MainWindowCloseGuard : public QObject {
    Q_OBJECT
public:
    explicit MainWindowCloseGuard(QObject* parent = nullptr);
    static MainWindowCloseGuard& shared();

    // Idempotent: a window is attached once, however often this is called.
    void attach(QWidget* window);
    bool isAttached(const QWidget* window) const { return m_attached.contains(window); }
    int attachedCount() const { return int(m_attached.size()); }

    // The close button's action: hides the sender's window when the sender is
    // a widget in a window, else the active window, else the main window.
    void hideMainWindow(QObject* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSet<const QWidget*> m_attached;
    bool m_quitting = false;
};

// Answers reopenMainWindow by asking the registered factory for a new main
// window and bringing it forward. The program entry registers the factory.
// Unlike a bridge that lives inside a window, this one also answers when no
// main window exists at all.
class MainWindowOpenBridge : public QObject {
    Q_OBJECT
public:
    explicit MainWindowOpenBridge(WindowNotices& notices, QObject* parent = nullptr);
    static MainWindowOpenBridge& shared();

    using Factory = std::function<QWidget*()>;
    void setFactory(Factory factory) { m_factory = std::move(factory); }

signals:
    void windowOpened(QWidget* window);

private:
    void open();

    Factory m_factory;
};

} // namespace tw
