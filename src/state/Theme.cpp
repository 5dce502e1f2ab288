#include "state/Theme.h"

#include "state/Colour.h"
#include "state/L10n.h"
#include "state/SharedState.h"

namespace tw {

namespace {

const QColor white = rgb(1, 1, 1);

// The value for the theme a out of midnight's, classic's and indigo's.
QColor pick(AppAppearance a, const QColor& midnight, const QColor& classic, const QColor& indigo)
{
    switch (a) {
    case AppAppearance::classic: return classic;
    case AppAppearance::indigo: return indigo;
    case AppAppearance::midnight: break;
    }
    return midnight;
}

} // namespace

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
    }
    const bool userChose = m_settings.boolValue(userChoseKey);
    apply(userChose ? appearanceFromStored(m_settings.stringValue(key)) : AppAppearance::midnight, false);
}

void ThemeManager::apply(AppAppearance appearance, bool userInitiated)
{
    if (userInitiated)
        m_settings.setValue(userChoseKey, true);
    // Storing the same value again would still rewrite the settings file at every start.
    if (m_settings.stringValue(key) != rawValue(appearance))
        m_settings.setValue(key, rawValue(appearance));
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
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
    return appearanceFromStored(state->platform().settings().stringValue(ThemeManager::key));
}

QColor AppTheme::neonGlow(AppAppearance a)
{
    return pick(a, rgb(0.15, 0.72, 1.0), faded(rgb(0.15, 0.55, 1.0), 0.95), faded(rgb(0.35, 0.7, 1.0), 0.95));
}

QColor AppTheme::listBackground(AppAppearance a)
{
    return pick(a, rgb(0.04, 0.07, 0.13), faded(panelBase(AppAppearance::classic), 0.35), rgb(0.04, 0.05, 0.1));
}

QColor AppTheme::selectionFill(AppAppearance a)
{
    return pick(a, faded(rgb(0.1, 0.28, 0.55), 0.45), faded(accent(AppAppearance::classic), 0.08),
                faded(rgb(0.12, 0.3, 0.55), 0.4));
}

QColor AppTheme::selectionStroke(AppAppearance a)
{
    return pick(a, rgb(0.25, 0.78, 1.0), faded(accent(AppAppearance::classic), 0.55), rgb(0.45, 0.73, 1.0));
}

QColor AppTheme::selectionGlow(AppAppearance a)
{
    return pick(a, rgb(0.15, 0.65, 1.0), accent(AppAppearance::classic), rgb(0.12, 0.56, 1.0));
}

QColor AppTheme::accent(AppAppearance a)
{
    return pick(a, rgb(0.18, 0.72, 1.0), rgb(0.22, 0.5, 0.94), rgb(0.12, 0.56, 1.0));
}

QColor AppTheme::panelBase(AppAppearance a)
{
    return pick(a, rgb(0.05, 0.08, 0.14), rgb(0.95, 0.96, 0.97), rgb(0.03, 0.04, 0.08));
}

QColor AppTheme::cardFill(AppAppearance a)
{
    return pick(a, rgb(0.07, 0.12, 0.22), white, rgb(0.07, 0.1, 0.17));
}

QColor AppTheme::cardStroke(AppAppearance a)
{
    return pick(a, faded(rgb(0.25, 0.7, 1.0), 0.28), rgb(0.88, 0.89, 0.91), faded(white, 0.14));
}

QColor AppTheme::primaryText(AppAppearance a)
{
    return pick(a, white, rgb(0.22, 0.22, 0.24), white);
}

QColor AppTheme::secondaryText(AppAppearance a)
{
    // Classic: black at half opacity, whatever the desktop's own palette is
    // (the classic panels are always light).
    return pick(a, rgb(0.55, 0.68, 0.82), faded(rgb(0, 0, 0), 0.5), faded(rgb(0.46, 0.73, 1.0), 0.75));
}

QColor AppTheme::neonHighlight(AppAppearance a)
{
    return pick(a, rgb(0.35, 0.82, 1.0), rgb(0.35, 0.82, 1.0), faded(white, 0.55));
}

QLinearGradient AppTheme::menuBarPopupBackground(AppAppearance a)
{
    // Classic runs top to bottom, the dark themes top-leading to bottom-trailing.
    const bool classic = a == AppAppearance::classic;
    QLinearGradient g(0, 0, classic ? 0 : 1, 1);
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    if (classic) {
        g.setStops({{0.0, rgb(0.22, 0.52, 0.95)}, {1.0, rgb(0.32, 0.62, 0.98)}});
        return g;
    }
    const bool midnight = a == AppAppearance::midnight;
    g.setStops({{0.0, midnight ? faded(rgb(0.05, 0.1, 0.22), 0.88) : faded(rgb(0.06, 0.09, 0.18), 0.82)},
                {0.5, panelBase(a)},
                {1.0, faded(midnight ? faded(rgb(0.08, 0.16, 0.36), 0.55) : faded(rgb(0.1, 0.16, 0.3), 0.45), 0.85)}});
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

void onThemeChange(QObject* context, std::function<void()> f)
{
    if (SharedState* state = SharedState::current())
        QObject::connect(&state->theme(), &ThemeManager::appearanceChanged, context, [f = std::move(f)] { f(); });
}

} // namespace tw
