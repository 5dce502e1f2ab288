#include "app/Theme.h"

#include "app/L10n.h"
#include "app/SharedState.h"

namespace tw {

namespace {

QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

// The colour with its opacity multiplied by factor.
QColor faded(QColor c, double factor)
{
    c.setAlphaF(float(c.alphaF() * factor));
    return c;
}

const QColor white = rgb(1, 1, 1);

} // namespace

// ---- AppAppearance ------------------------------------------------------------

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

// ---- ThemeManager ----------------------------------------------------------------

ThemeManager::ThemeManager(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    bootstrap();
}

ThemeManager& ThemeManager::shared()
{
    return SharedState::instance().theme();
}

void ThemeManager::bootstrap()
{
    // A one-time reset to midnight, then the user's own choice on later starts.
    if (!m_settings.boolValue(forceDefaultKey)) {
        m_settings.setValue(forceDefaultKey, true);
        m_settings.setValue(userChoseKey, false);
        apply(AppAppearance::midnight, false);
        return;
    }
    const std::optional<QString> stored = m_settings.stringValue(key);
    if (m_settings.boolValue(userChoseKey) && stored) {
        apply(appearanceFromStored(stored), false);
        return;
    }
    apply(AppAppearance::midnight, false);
}

void ThemeManager::apply(AppAppearance appearance, bool userInitiated)
{
    if (userInitiated)
        m_settings.setValue(userChoseKey, true);
    store(appearance);
    if (appearance != m_appearance)
        setAppearance(appearance);
}

void ThemeManager::store(AppAppearance appearance)
{
    // Storing the same value again would still rewrite the settings file at every start.
    if (m_settings.stringValue(key) != rawValue(appearance))
        m_settings.setValue(key, rawValue(appearance));
}

void ThemeManager::setAppearance(AppAppearance appearance)
{
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
    store(appearance);
    ++m_revision;
    emit appearanceChanged(appearance);
    emit revisionChanged(m_revision);
}

// ---- AppTheme -------------------------------------------------------------------------

AppAppearance AppTheme::appearance()
{
    const SharedState* state = SharedState::current();
    if (!state)
        return AppAppearance::midnight;
    return appearanceFromStored(state->platform().settings().stringValue(QStringLiteral("settings.appAppearance")));
}

QColor AppTheme::neonGlow(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.15, 0.72, 1.0);
    case AppAppearance::classic: return faded(rgb(0.15, 0.55, 1.0), 0.95);
    case AppAppearance::indigo: return faded(rgb(0.35, 0.7, 1.0), 0.95);
    }
    return {};
}

QColor AppTheme::listBackground(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.04, 0.07, 0.13);
    case AppAppearance::classic: return faded(panelBase(a), 0.35);
    case AppAppearance::indigo: return rgb(0.04, 0.05, 0.1);
    }
    return {};
}

QColor AppTheme::selectionFill(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return faded(rgb(0.1, 0.28, 0.55), 0.45);
    case AppAppearance::classic: return faded(accent(a), 0.08);
    case AppAppearance::indigo: return faded(rgb(0.12, 0.3, 0.55), 0.4);
    }
    return {};
}

QColor AppTheme::selectionStroke(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.25, 0.78, 1.0);
    case AppAppearance::classic: return faded(accent(a), 0.55);
    case AppAppearance::indigo: return rgb(0.45, 0.73, 1.0);
    }
    return {};
}

QColor AppTheme::selectionGlow(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.15, 0.65, 1.0);
    case AppAppearance::classic: return accent(a);
    case AppAppearance::indigo: return rgb(0.12, 0.56, 1.0);
    }
    return {};
}

QColor AppTheme::accent(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.18, 0.72, 1.0);
    case AppAppearance::classic: return rgb(0.22, 0.5, 0.94);
    case AppAppearance::indigo: return rgb(0.12, 0.56, 1.0);
    }
    return {};
}

QColor AppTheme::panelBase(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.05, 0.08, 0.14);
    case AppAppearance::classic: return rgb(0.95, 0.96, 0.97);
    case AppAppearance::indigo: return rgb(0.03, 0.04, 0.08);
    }
    return {};
}

QColor AppTheme::cardFill(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.07, 0.12, 0.22);
    case AppAppearance::classic: return white;
    case AppAppearance::indigo: return rgb(0.07, 0.1, 0.17);
    }
    return {};
}

QColor AppTheme::cardStroke(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return faded(rgb(0.25, 0.7, 1.0), 0.28);
    case AppAppearance::classic: return rgb(0.88, 0.89, 0.91);
    case AppAppearance::indigo: return faded(white, 0.14);
    }
    return {};
}

QColor AppTheme::primaryText(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return white;
    case AppAppearance::classic: return rgb(0.22, 0.22, 0.24);
    case AppAppearance::indigo: return white;
    }
    return {};
}

QColor AppTheme::secondaryText(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.55, 0.68, 0.82);
    // The light secondary label colour: black at half opacity, whatever the
    // desktop's own palette is (the classic panels are always light).
    case AppAppearance::classic: return faded(rgb(0, 0, 0), 0.5);
    case AppAppearance::indigo: return faded(rgb(0.46, 0.73, 1.0), 0.75);
    }
    return {};
}

QColor AppTheme::neonHighlight(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight:
    case AppAppearance::classic: return rgb(0.35, 0.82, 1.0);
    case AppAppearance::indigo: return faded(white, 0.55);
    }
    return {};
}

QLinearGradient AppTheme::menuBarPopupBackground(AppAppearance a)
{
    QLinearGradient g;
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    switch (a) {
    case AppAppearance::classic:
        g.setStart(0, 0);
        g.setFinalStop(0, 1);
        g.setStops({{0.0, rgb(0.22, 0.52, 0.95)}, {1.0, rgb(0.32, 0.62, 0.98)}});
        break;
    case AppAppearance::midnight:
        g.setStart(0, 0);
        g.setFinalStop(1, 1);
        g.setStops({{0.0, faded(rgb(0.05, 0.1, 0.22), 0.88)},
                    {0.5, panelBase(a)},
                    {1.0, faded(faded(rgb(0.08, 0.16, 0.36), 0.55), 0.85)}});
        break;
    case AppAppearance::indigo:
        g.setStart(0, 0);
        g.setFinalStop(1, 1);
        g.setStops({{0.0, faded(rgb(0.06, 0.09, 0.18), 0.82)},
                    {0.5, panelBase(a)},
                    {1.0, faded(faded(rgb(0.1, 0.16, 0.3), 0.45), 0.85)}});
        break;
    }
    return g;
}

const QColor& AppTheme::sidebarTop()
{
    static const QColor c = rgb(0.3, 0.55, 0.92);
    return c;
}

const QColor& AppTheme::sidebarBottom()
{
    static const QColor c = rgb(0.14, 0.38, 0.72);
    return c;
}

// ---- Navigation enumerations ------------------------------------------------------------

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
