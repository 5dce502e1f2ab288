#include "views/kit/ClickableRow.h"

namespace tw {

namespace {

// The row's one part: its click area.
std::optional<bool> areaUnder(const ClickableRow& row, const QMouseEvent* event)
{
    if (row.clickArea().contains(event->position().toPoint()))
        return true;
    return std::nullopt;
}

} // namespace

ClickableRow::ClickableRow(QWidget* parent)
    : QWidget(parent)
{
}

void ClickableRow::mousePressEvent(QMouseEvent* event)
{
    m_press.press(event, areaUnder(*this, event));
    event->accept();
}

void ClickableRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_press.release(event, areaUnder(*this, event)))
        emit clicked();
}

} // namespace tw
