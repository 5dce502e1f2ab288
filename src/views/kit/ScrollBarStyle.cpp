#include "views/kit/ScrollBarStyle.h"

#include "state/Theme.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Tints.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace tw {

namespace {

void apply(QAbstractScrollArea* area)
{
    const QColor handle = neon::faded(accentTint(), 0.45);
    area->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 6px 2px 6px 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 4px; min-height: 28px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(handle.name(QColor::HexArgb)));
}

} // namespace

void styleScrollBar(QAbstractScrollArea* area)
{
    apply(area);
    onThemeChange(area, [area] { apply(area); });
}

} // namespace tw
