#include "views/startup/StartupRules.h"

#include "engine/inventory/ByteFormat.h"
#include "platform/Path.h"
#include "views/kit/DateText.h"
#include "views/kit/SearchText.h"

namespace tw::startupview {

QList<int> filterIndices(const QList<RemovableItem>& items, const QString& search)
{
    QList<int> shown;
    shown.reserve(items.size());
    for (int i = 0; i < int(items.size()); ++i) {
        const RemovableItem& item = items[i];
        if (searchMatches(item.title, search) || searchMatches(item.category, search)
            || searchMatches(item.parentName, search))
            shown << i;
    }
    return shown;
}

int selectedIndex(const QList<RemovableItem>& items, const QList<int>& shown, const std::optional<QString>& path)
{
    if (!path)
        return -1;
    for (int i : shown)
        if (items[i].path == *path)
            return i;
    for (int i = 0; i < int(items.size()); ++i)
        if (items[i].path == *path)
            return i;
    return -1;
}

QString displayPath(const RemovableItem& item)
{
    return item.parentAppPath.value_or(item.path);
}

bool offersShowApplication(const RemovableItem& item)
{
    return item.parentAppPath || path::extension(item.path) == QLatin1String("app");
}

QList<InfoRow> infoRows(const RemovableItem& item, const QLocale& locale)
{
    const QString none = QStringLiteral("-");
    const bool dated = item.modifiedDate && item.modifiedDate->isValid();
    return {
        {QStringLiteral("Parent application"), item.parentName.isEmpty() ? item.title : item.parentName},
        {QStringLiteral("Agent created"), dated ? abbreviatedDateTime(*item.modifiedDate, locale) : none},
        {QStringLiteral("Agent size"), item.size > 0 ? byteformat::string(item.size) : none, true},
        {QStringLiteral("Path"), displayPath(item), true},
    };
}

QString enableButtonTitle(bool isEnabled)
{
    return isEnabled ? QStringLiteral("Disable") : QStringLiteral("Enable");
}

QString abbreviatedDateTime(const QDateTime& when, const QLocale& locale)
{
    return datetext::abbreviatedWithTime(when, locale);
}

} // namespace tw::startupview
