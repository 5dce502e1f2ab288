#include "views/kit/PendingWorkspace.h"

namespace tw {

PendingWorkspace::PendingWorkspace(SidebarTab tab, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_tab(tab)
{
    setObjectName(QStringLiteral("pending-") + rawValue(tab));
}

} // namespace tw
