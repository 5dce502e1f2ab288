#include "views/kit/ClickableRow.h"

#include "views/kit/Mirror.h"

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
    Mirror::resizeOnDirectionChange(this);
}

QRect ClickableRow::keyPartRect(int) const
{
    return rect();
}

qreal ClickableRow::keyPartRadius(int) const
{
    return 4;
}

int ClickableRow::keyPartAt(const QPoint& pos) const
{
    for (int part = 0; part < keyPartCount(); ++part)
        if (keyPartRect(part).contains(pos))
            return part;
    return 0;
}

void ClickableRow::activateKeyPart(int part)
{
    if (part == 0)
        emit clicked();
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
