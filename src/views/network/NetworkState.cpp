#include "views/network/NetworkState.h"

#include "engine/inventory/AppScanner.h"
#include "platform/Services.h"

#include <QUrl>

namespace tw {

NetworkState::NetworkState(AppScanner& scanner, Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_scanner(scanner)
    , m_workspace(workspace)
{
    connect(&m_scanner, &AppScanner::appsChanged, this, &NetworkState::recompute);
    recompute();
}

void NetworkState::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    recompute();
}

void NetworkState::recompute()
{
    m_apps.clear();
    for (const AppInfoPtr& app : m_scanner.apps())
        if (app && !app->isSystemApp() && app->name().contains(m_searchText, Qt::CaseInsensitive))
            m_apps << app;
    emit appsChanged();
}

void NetworkState::select(const AppInfoPtr& app)
{
    if (app == m_selected)
        return;
    m_selected = app;
    emit selectionChanged();
}

void NetworkState::openFirewallSettings()
{
    const QUrl url(firewallSettingsAddress, QUrl::StrictMode);
    if (url.isValid())
        m_workspace.open(url);
}

} // namespace tw
