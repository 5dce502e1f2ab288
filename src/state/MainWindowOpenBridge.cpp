#include "state/MainWindowOpenBridge.h"

#include "state/SharedState.h"
#include "state/WindowNotices.h"

#include <QWidget>

namespace tw {

// ---- MainWindowOpenBridge ---------------------------------------------------------------

MainWindowOpenBridge::MainWindowOpenBridge(WindowNotices& notices, QObject* parent)
    : QObject(parent)
{
    connect(&notices, &WindowNotices::reopenMainWindow, this, &MainWindowOpenBridge::open);
}

MainWindowOpenBridge& MainWindowOpenBridge::shared()
{
    return SharedState::instance().openBridge();
}

void MainWindowOpenBridge::open()
{
    if (!m_factory)
        return;
    QWidget* window = m_factory();
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
    emit windowOpened(window);
}

} // namespace tw
