#include "state/AppAppearance.h"

#include "state/L10n.h"

namespace tw {

template <>
const QList<AppAppearance>& allCases<AppAppearance>()
{
    static const QList<AppAppearance> cases{AppAppearance::midnight, AppAppearance::classic, AppAppearance::indigo};
    return cases;
}

QString rawValue(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::midnight: return QStringLiteral("midnight");
    case AppAppearance::classic: return QStringLiteral("classic");
    case AppAppearance::indigo: return QStringLiteral("indigo");
    }
    return {};
}

QString nameKey(AppAppearance appearance) { return QStringLiteral("theme.") + rawValue(appearance); }
QString descriptionKey(AppAppearance appearance) { return nameKey(appearance) + QStringLiteral("_desc"); }
QString displayName(AppAppearance appearance) { return L10n::t(nameKey(appearance)); }
QString description(AppAppearance appearance) { return L10n::t(descriptionKey(appearance)); }

AppAppearance appearanceFromStored(const std::optional<QString>& stored)
{
    if (stored == QLatin1String("classic"))
        return AppAppearance::classic;
    if (stored == QLatin1String("indigo"))
        return AppAppearance::indigo;
    return AppAppearance::midnight;
}

} // namespace tw
