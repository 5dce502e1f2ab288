#pragma once

#include <QObject>
#include <QSet>

class QWidget;

namespace tw {

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

} // namespace tw
