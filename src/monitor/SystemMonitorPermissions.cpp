#include "monitor/SystemMonitorPermissions.h"

#include "platform/Platform.h"

#include <QGuiApplication>
#include <QUrl>

namespace tw {

SystemMonitorPermissions::SystemMonitorPermissions(MainAppService& service, Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_workspace(workspace)
{
}

SystemMonitorPermissions& SystemMonitorPermissions::shared(const Platform& platform)
{
    struct Shared {
        QString root, home;
        Workspace* workspace = nullptr;
        std::unique_ptr<MainAppService> service;
        std::unique_ptr<SystemMonitorPermissions> permissions;
    };
    static Shared s;
    const FileSystem& fs = platform.fs();
    if (!s.permissions || s.root != fs.hostRoot() || s.home != fs.home() || s.workspace != &platform.workspace()) {
        s.permissions.reset();
        s.root = fs.hostRoot();
        s.home = fs.home();
        s.workspace = &platform.workspace();
        s.service = host::makeAutostartService(
            fs,
            {QGuiApplication::desktopFileName(), QGuiApplication::applicationDisplayName(),
             QCoreApplication::applicationFilePath()},
            qEnvironmentVariable("XDG_CONFIG_HOME"));
        s.permissions = std::make_unique<SystemMonitorPermissions>(*s.service, *s.workspace);
    }
    return *s.permissions;
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
