#include "views/applications/DetailTexts.h"

#include "state/L10n.h"
#include "views/kit/TextLines.h"

namespace tw::apps {

namespace {

QString run(const QString& value, Run r)
{
    return r == Run::drawn && !value.isEmpty() ? text::leftToRight(value) : value;
}

} // namespace

QString bundleDisplayName(const AppInfo& app, Run r)
{
    return app.version().isEmpty() ? app.name() : app.name() + u' ' + run(QStringLiteral("v.") + app.version(), r);
}

QString developerLine(const AppInfo& app, bool advanceMode)
{
    const QString label = L10n::t(QStringLiteral("apps.developer"));
    return advanceMode ? label + kValueSeparator + app.developer() : label;
}

QString verificationLine(const AppInfo& app, bool advanceMode, Run r)
{
    const QString label = L10n::t(QStringLiteral("apps.verification"));
    return advanceMode ? label + kValueSeparator + run(app.bundleIdentifier(), r) : label;
}

} // namespace tw::apps
