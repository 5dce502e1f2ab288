#include "app/ThemedMenu.h"

#include "app/state/Colour.h"

namespace tw {

namespace {

QString css(const QColor& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'f', 3);
}

} // namespace

ThemedMenu::ThemedMenu(QWidget* parent)
    : QMenu(parent)
{
    // The card's rounded corners show what lies beneath.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(styleSheetFor(AppTheme::appearance()));
    onThemeChange(this, [this] { setStyleSheet(styleSheetFor(AppTheme::appearance())); });
}

QString ThemedMenu::styleSheetFor(AppAppearance a)
{
    const QColor edge = isDark(a) ? faded(AppTheme::accent(a), 0.45) : AppTheme::cardStroke(a);
    return QStringLiteral("QMenu { background: %1; border: 1px solid %2; border-radius: 8px; padding: 5px; }"
                          "QMenu::item { color: %3; padding: 4px 22px 4px 12px; border-radius: 5px; }"
                          "QMenu::item:selected { background: %4; color: white; }"
                          "QMenu::item:disabled { color: %5; }"
                          "QMenu::separator { height: 1px; background: %2; margin: 4px 8px; }")
        .arg(css(AppTheme::cardFill(a)), css(edge), css(AppTheme::primaryText(a)), css(AppTheme::accent(a)),
             css(AppTheme::secondaryText(a)));
}

} // namespace tw
