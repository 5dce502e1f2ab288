#include "views/kit/FocusInView.h"

#include "views/kit/KeyFocus.h"

#include <QApplication>
#include <QScrollArea>

namespace tw::focusview {

void follow(QScrollArea* area)
{
    constexpr int kRoom = 2 * focusring::kReach;
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget*, QWidget* now) {
        // Asked as a widget first: while the area is torn down it is no
        // scroll area any more, and the focus then leaves it.
        if (!now || !area->isAncestorOf(now))
            return;
        if (const QWidget* page = area->widget(); page && page->isAncestorOf(now))
            area->ensureWidgetVisible(now, kRoom, kRoom);
    });
}

} // namespace tw::focusview
