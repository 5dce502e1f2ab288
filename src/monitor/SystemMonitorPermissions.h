#pragma once

#include "platform/MainAppService.h"

#include <QObject>
#include <QString>


namespace tw {

class Workspace;

// Registers the program as a login item and publishes whether that
// registration is in force. GUI thread only; the service calls are synchronous.
class SystemMonitorPermissions : public QObject {
    Q_OBJECT
public:
    SystemMonitorPermissions(MainAppService& service, Workspace& workspace, QObject* parent = nullptr);

    // The main service is registered and enabled; false until refresh() says so.
    bool isEnabled() const { return m_isEnabled; }
    // The last status read, or the text of the last registration error.
    const QString& statusText() const { return m_statusText; }

    // Registers; on success re-reads the state, on failure keeps isEnabled,
    // records the error's text and opens the login-item settings.
    void enable();
    void refresh();
    // Opens the first settings address that parses as a URL.
    void openLoginItemsSettings();

signals:
    // isEnabled or statusText changed.
    void changed();

private:
    void setState(bool enabled, const QString& text);

    MainAppService& m_service;
    Workspace& m_workspace;
    bool m_isEnabled = false;
    QString m_statusText;
};

} // namespace tw
