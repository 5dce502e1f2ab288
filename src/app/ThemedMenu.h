#pragma once

#include "state/AppAppearance.h"

#include <QFont>
#include <QMenu>

namespace tw {

// A menu in the current theme's colours and the window's font: a rounded
// card with the theme's text, accent-filled highlighted entries and thin
// separators. It follows theme changes by itself.
class ThemedMenu : public QMenu {
    Q_OBJECT
public:
    explicit ThemedMenu(QWidget* parent = nullptr);

    static QString styleSheetFor(AppAppearance a);
    // The font of menu entries and of tooltips: the window's own.
    static QFont menuFont();
    static QFont toolTipFont();

    // Menus and tooltips are windows of their own, styled by the platform's
    // theme unless told otherwise: gives every menu and tooltip of the
    // application the theme's palette and the window's font. The shell calls
    // it at start and on each change of theme.
    static void themeApplicationPopups(AppAppearance a);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace tw
