#include "views/applications/DetailTexts.h"

#include "state/L10n.h"
#include "views/kit/TextLines.h"

namespace tw::apps {

namespace {

QString run(const QString& value, Run r)
{
    return r == Run::drawn && !value.isEmpty() ? text::leftToRight(value) : value;
}

QString valueLine(const QString& label, const QString& value, bool advanceMode, Run r)
{
    if (!advanceMode)
        return label;
    return r == Run::drawn ? text::labelled(label, value) : label + text::kLabelSeparator + value;
}

} // namespace

QString bundleDisplayName(const AppInfo& app, Run r)
{
    return app.version().isEmpty() ? app.name() : app.name() + u' ' + run(QStringLiteral("v.") + app.version(), r);
}

QString developerLine(const AppInfo& app, bool advanceMode, Run r)
{
    return valueLine(L10n::t(QStringLiteral("apps.developer")), app.developer(), advanceMode, r);
}

QString verificationLine(const AppInfo& app, bool advanceMode, Run r)
{
    return valueLine(L10n::t(QStringLiteral("apps.verification")), app.bundleIdentifier(), advanceMode, r);
}

} // namespace tw::apps
