#include "monitor/SystemMonitorPermissions.h"

#include "platform/Services.h"

#include <QUrl>

namespace tw {

SystemMonitorPermissions::SystemMonitorPermissions(MainAppService& service, Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_workspace(workspace)
{
}

void SystemMonitorPermissions::enable()
{
    if (const Status registered = m_service.registerItem(); !registered) {
        setState(m_isEnabled, registered.error().description);
        openLoginItemsSettings();
        return;
    }
    refresh();
}

void SystemMonitorPermissions::refresh()
{
    const MainAppService::ItemStatus status = m_service.status();
    setState(status == MainAppService::ItemStatus::enabled, statusDescription(status));
}

void SystemMonitorPermissions::openLoginItemsSettings()
{
    for (const QString& text : m_service.settingsAddresses()) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty()) {
            m_workspace.open(url);
            return;
        }
    }
}

void SystemMonitorPermissions::setState(bool enabled, const QString& text)
{
    if (enabled == m_isEnabled && text == m_statusText)
        return;
    m_isEnabled = enabled;
    m_statusText = text;
    emit changed();
}

} // namespace tw
