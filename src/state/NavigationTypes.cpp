#include "state/NavigationTypes.h"

#include "state/L10n.h"

namespace tw {

template <>
const QList<SidebarTab>& allCases<SidebarTab>()
{
    static const QList<SidebarTab> cases{SidebarTab::applications, SidebarTab::startup, SidebarTab::updates,
                                         SidebarTab::extensions,   SidebarTab::network, SidebarTab::system,
                                         SidebarTab::theme};
    return cases;
}

template <>
const QList<AppsSegment>& allCases<AppsSegment>()
{
    static const QList<AppsSegment> cases{AppsSegment::apps, AppsSegment::remains};
    return cases;
}

template <>
const QList<AppSort>& allCases<AppSort>()
{
    static const QList<AppSort> cases{AppSort::name, AppSort::size, AppSort::date};
    return cases;
}

QString rawValue(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::applications: return QStringLiteral("applications");
    case SidebarTab::startup: return QStringLiteral("startup");
    case SidebarTab::updates: return QStringLiteral("updates");
    case SidebarTab::extensions: return QStringLiteral("extensions");
    case SidebarTab::network: return QStringLiteral("network");
    case SidebarTab::system: return QStringLiteral("system");
    case SidebarTab::theme: return QStringLiteral("theme");
    }
    return {};
}

QString rawValue(AppsSegment segment)
{
    return segment == AppsSegment::apps ? QStringLiteral("apps") : QStringLiteral("remains");
}

QString rawValue(AppSort sort)
{
    switch (sort) {
    case AppSort::name: return QStringLiteral("name");
    case AppSort::size: return QStringLiteral("size");
    case AppSort::date: return QStringLiteral("date");
    }
    return {};
}

QString pillTitle(SidebarTab tab) { return L10n::t(QStringLiteral("tab.") + rawValue(tab)); }
QString title(AppsSegment segment) { return L10n::t(QStringLiteral("segment.") + rawValue(segment)); }
QString title(AppSort sort) { return L10n::t(QStringLiteral("sort.") + rawValue(sort)); }

} // namespace tw
