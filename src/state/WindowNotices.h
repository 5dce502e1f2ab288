#pragma once

#include <QObject>

namespace tw {

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

} // namespace tw
