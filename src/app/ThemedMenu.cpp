#include "app/ThemedMenu.h"

#include "app/WindowChrome.h"
#include "state/Colour.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"

#include <QApplication>
#include <QPointer>
#include <QToolTip>

namespace tw {

namespace {

QString css(const QColor& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'f', 3);
}

// Whether menus and tooltips show theme a as themeApplicationPopups left them.
bool popupsThemed(AppAppearance a)
{
    const QPalette palette = WindowChrome::paletteFor(a);
    return QToolTip::palette() == palette && QApplication::palette("QMenu") == palette
        && QApplication::palette("QTipLabel") == palette && QToolTip::font() == ThemedMenu::toolTipFont()
        && QApplication::font("QMenu") == ThemedMenu::menuFont()
        && QApplication::palette().color(QPalette::ToolTipBase) == palette.color(QPalette::ToolTipBase);
}

// On a desktop the platform's theme may change under the program (xcb
// resets the tooltip palette and the class palettes when it does): the theme
// is put back then, and checked again before each tooltip shows.
class PopupThemeKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ToolTip:
            restore();
            break;
        case QEvent::ThemeChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::ApplicationFontChange:
            // After the platform has finished its own change.
            if (!m_pending) {
                m_pending = true;
                QMetaObject::invokeMethod(this, [this] {
                    m_pending = false;
                    restore();
                }, Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    static void restore()
    {
        const AppAppearance a = AppTheme::appearance();
        if (!popupsThemed(a))
            ThemedMenu::themeApplicationPopups(a);
    }

    bool m_pending = false;
};

} // namespace

ThemedMenu::ThemedMenu(QWidget* parent)
    : QMenu(parent)
{
    // The card's rounded corners show what lies beneath.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(menuFont());
    setStyleSheet(styleSheetFor(AppTheme::appearance()));
    onThemeChange(this, [this] { setStyleSheet(styleSheetFor(AppTheme::appearance())); });
}

void ThemedMenu::resizeEvent(QResizeEvent* event)
{
    QMenu::resizeEvent(event);
    // Without a compositor the see-through corners would show black: the
    // card's shape is also the window's.
    setMask(QRegion(neon::roundedRect(QRectF(rect()), 8).toFillPolygon().toPolygon()));
}

QFont ThemedMenu::menuFont()
{
    return typescale::font(TextRole::body);
}

QFont ThemedMenu::toolTipFont()
{
    return typescale::font(TextRole::callout);
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

void ThemedMenu::themeApplicationPopups(AppAppearance a)
{
    static QPointer<PopupThemeKeeper> keeper;
    if (!keeper && qApp) {
        keeper = new PopupThemeKeeper(qApp);
        qApp->installEventFilter(keeper);
    }
    const QPalette palette = WindowChrome::paletteFor(a);
    // The application's palette first: setting it drops the class palettes.
    QPalette app = QApplication::palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        app.setColor(g, QPalette::ToolTipBase, palette.color(g, QPalette::ToolTipBase));
        app.setColor(g, QPalette::ToolTipText, palette.color(g, QPalette::ToolTipText));
    }
    if (app != QApplication::palette())
        QApplication::setPalette(app);
    QApplication::setPalette(palette, "QMenu");
    QApplication::setFont(menuFont(), "QMenu");
    // A tooltip label takes its colours from the tooltip palette, the
    // application's tooltip roles or its class's palette, depending on the
    // platform's theme and style: all three say the same.
    QToolTip::setPalette(palette);
    QApplication::setPalette(palette, "QTipLabel");
    QToolTip::setFont(toolTipFont());
    QApplication::setFont(toolTipFont(), "QTipLabel");
}

} // namespace tw
