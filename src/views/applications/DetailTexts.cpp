#include "views/applications/DetailTexts.h"

#include "state/L10n.h"

namespace tw::apps {

QString bundleDisplayName(const AppInfo& app)
{
    return app.version().isEmpty() ? app.name() : app.name() + QStringLiteral(" v.") + app.version();
}

QString developerLine(const AppInfo& app, bool advanceMode)
{
    const QString label = L10n::t(QStringLiteral("apps.developer"));
    return advanceMode ? label + kValueSeparator + app.developer() : label;
}

QString verificationLine(const AppInfo& app, bool advanceMode)
{
    const QString label = L10n::t(QStringLiteral("apps.verification"));
    return advanceMode ? label + kValueSeparator + app.bundleIdentifier() : label;
}

} // namespace tw::apps
