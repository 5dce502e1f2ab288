#pragma once

#include "app/state/Theme.h"

#include <QMenu>

namespace tw {

// A menu in the current theme's colours: a rounded card with the theme's
// text, accent-filled highlighted entries and thin separators. It follows
// theme changes by itself.
class ThemedMenu : public QMenu {
    Q_OBJECT
public:
    explicit ThemedMenu(QWidget* parent = nullptr);

    static QString styleSheetFor(AppAppearance a);
};

} // namespace tw
