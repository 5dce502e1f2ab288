#include "views/kit/ClickableRow.h"

namespace tw {

ClickableRow::ClickableRow(QWidget* parent)
    : QWidget(parent)
{
}

std::optional<bool> ClickableRow::partAt(const QMouseEvent* event) const
{
    if (clickArea().contains(event->position().toPoint()))
        return true;
    return std::nullopt;
}

void ClickableRow::mousePressEvent(QMouseEvent* event)
{
    m_press.press(event, partAt(event));
    event->accept();
}

void ClickableRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_press.release(event, partAt(event)))
        emit clicked();
}

} // namespace tw
