#pragma once

#include "state/AppAppearance.h"
#include "platform/Services.h"

#include <QColor>
#include <QLinearGradient>
#include <QObject>

#include <functional>

namespace tw {

// Owns the persisted theme choice and decides the theme at start-up.
class ThemeManager : public QObject {
    Q_OBJECT
public:
    // Runs the start-up choice (bootstrap) at once.
    explicit ThemeManager(Settings& settings, QObject* parent = nullptr);
    static ThemeManager& shared();

    static inline const QString key = QStringLiteral("settings.appAppearance");
    static inline const QString userChoseKey = QStringLiteral("settings.appAppearanceUserChose");
    static inline const QString forceDefaultKey = QStringLiteral("settings.forceMidnightDefault.v3");

    AppAppearance appearance() const { return m_appearance; }
    // Increases by one on every change of the theme.
    int revision() const { return m_revision; }

    // Stores the theme (always) and publishes it when it differs from the
    // current one. The theme tab passes userInitiated = true.
    void apply(AppAppearance appearance, bool userInitiated);

signals:
    void appearanceChanged(tw::AppAppearance appearance);
    void revisionChanged(int revision);

private:
    void bootstrap();

    Settings& m_settings;
    int m_revision = 0;
    AppAppearance m_appearance = AppAppearance::midnight;
};

// The colours of the current theme. Each value is computed on every read from
// the theme stored under "settings.appAppearance" (midnight when nothing is
// installed or stored); given a theme, each gives that theme's value.
class AppTheme {
public:
    AppTheme() = delete;

    // The theme the colours are read for.
    static AppAppearance appearance();

    static QColor neonGlow(AppAppearance a = appearance());
    static QColor listBackground(AppAppearance a = appearance());
    static QColor selectionFill(AppAppearance a = appearance());
    static QColor selectionStroke(AppAppearance a = appearance());
    static QColor selectionGlow(AppAppearance a = appearance());
    static QColor accent(AppAppearance a = appearance());
    static QColor panelBase(AppAppearance a = appearance());
    static QColor cardFill(AppAppearance a = appearance());
    static QColor cardStroke(AppAppearance a = appearance());
    static QColor primaryText(AppAppearance a = appearance());
    static QColor secondaryText(AppAppearance a = appearance());
    static QColor neonHighlight(AppAppearance a = appearance());
    // The menu bar popover's background, in object-bounding coordinates
    // (0..1), so it stretches over whatever rectangle it fills.
    static QLinearGradient menuBarPopupBackground(AppAppearance a = appearance());

    // The same in every theme.
    static const QColor& sidebarTop();
    static const QColor& sidebarBottom();
};

// Calls f whenever the theme changes (when the shared state is installed),
// for as long as context lives.
void onThemeChange(QObject* context, std::function<void()> f);

} // namespace tw

