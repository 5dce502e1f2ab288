#include "views/applications/UninstallRules.h"

#include "engine/inventory/ByteFormat.h"

#include <algorithm>

namespace tw::apps {

AppInfoPtr uninstallTarget(const AppInfoPtr& app, const AppInfoPtr& selectedApp)
{
    if (!app || !app->isGroup())
        return app;
    const auto& members = app->members();
    if (selectedApp && !selectedApp->isGroup()) {
        for (const AppInfoPtr& m : members)
            if (m->id() == selectedApp->id())
                return selectedApp;
    }
    const auto ticked = std::find_if(members.begin(), members.end(), [](const AppInfoPtr& m) { return m->isSelected(); });
    return ticked != members.end() ? *ticked : members.front();
}

UninstallConfirmation uninstallConfirmation(const AppInfo& target)
{
    const qsizetype count = target.selectedLeftovers().size();
    const QString size = byteformat::string(target.totalReclaimableSize());
    // Fixed English, like every alert of the tab. The text says what moves:
    // the application only when its bundle is ticked.
    const QString what = target.removeAppBundle() ? QStringLiteral("Move the app and ") : QStringLiteral("Move ");
    return {QStringLiteral("Uninstall ") + target.name() + u'?',
            what + QString::number(count) + QStringLiteral(" related file(s) to the Trash, freeing ") + size + u'.'};
}

} // namespace tw::apps
