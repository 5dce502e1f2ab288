#include "app/SheetOverlay.h"

#include "state/Theme.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tw {

using neon::faded;

// ---- SheetOverlay ------------------------------------------------------------------------

SheetOverlay::SheetOverlay(QWidget* parent)
    : NeonOverlay(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void SheetOverlay::setSheet(QWidget* sheet)
{
    if (m_sheet == sheet)
        return;
    if (m_sheet)
        m_sheet->deleteLater();
    m_sheet = sheet;
    if (m_sheet) {
        m_sheet->setParent(this);
        m_sheet->show();
        resizeEvent(nullptr);
    }
    update();
}

void SheetOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    neon::fillRoundedRect(p, QRectF(rect()), 20, faded(Qt::black, 0.38));
    if (!m_sheet)
        return;
    const AppAppearance a = AppTheme::appearance();
    neon::paintRoundedRectShadows(p, QRectF(m_sheet->geometry()), 12,
                                  {{faded(Qt::black, 0.45), 24, {0, 10}}, {faded(AppTheme::neonGlow(a), 0.25), 18, {0, 0}}});
}

void SheetOverlay::resizeEvent(QResizeEvent*)
{
    if (!m_sheet)
        return;
    const QSize s = m_sheet->size();
    // Sheets hang from the top of the window.
    m_sheet->move((width() - s.width()) / 2, std::max(0, std::min(72, (height() - s.height()) / 2)));
}

void SheetOverlay::mousePressEvent(QMouseEvent* event)
{
    // The window behind the sheet takes no clicks while it is up.
    event->accept();
}

} // namespace tw
