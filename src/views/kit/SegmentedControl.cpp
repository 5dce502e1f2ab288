#include "views/kit/SegmentedControl.h"

#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tw {

using neon::faded;

namespace {

constexpr int kHeight = 24;
constexpr qreal kRadius = 7;
constexpr int kPadding = 12;

} // namespace

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent)
    : QWidget(parent)
    , m_titles(titles)
{
    keyfocus::makeStop(this, kRadius);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(kHeight);
    onThemeChange(this, [this] { update(); });
}

void SegmentedControl::setCurrentIndex(int index)
{
    index = std::clamp(index, 0, std::max(0, int(m_titles.size()) - 1));
    if (index == m_current)
        return;
    m_current = index;
    update();
}

void SegmentedControl::bind(Binding<int> binding)
{
    m_binding = std::move(binding);
    refresh();
}

void SegmentedControl::refresh()
{
    if (m_binding)
        setCurrentIndex(m_binding.get());
}

QSize SegmentedControl::sizeHint() const
{
    const QFontMetricsF m(typescale::font(TextRole::itemName));
    qreal widest = 0;
    for (const QString& t : m_titles)
        widest = std::max(widest, m.horizontalAdvance(t));
    return {int(std::ceil((widest + 2 * kPadding) * m_titles.size())) + 4, kHeight};
}

QRectF SegmentedControl::segmentRect(int index) const
{
    if (index < 0 || index >= m_titles.size())
        return {};
    const qreal w = (width() - 4.0) / m_titles.size();
    return Mirror(*this)(QRectF(2 + index * w, 2, w, height() - 4));
}

int SegmentedControl::segmentAt(const QPoint& pos) const
{
    for (int i = 0; i < m_titles.size(); ++i)
        if (segmentRect(i).contains(pos))
            return i;
    return -1;
}

std::optional<int> SegmentedControl::partAt(const QPoint& pos) const
{
    const int i = segmentAt(pos);
    return i < 0 ? std::nullopt : std::optional<int>(i);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    m_press.press(event, partAt(event->position().toPoint()));
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<int> clicked = m_press.release(event, partAt(event->position().toPoint()));
    update();
    if (clicked)
        choose(*clicked);
}

void SegmentedControl::choose(int index)
{
    if (m_binding) {
        if (m_binding.set)
            m_binding.set(index);
        refresh();
    } else {
        setCurrentIndex(index);
    }
    emit activated(index);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        // The neighbour on screen in the arrow's direction.
        QList<QRect> segments;
        for (int i = 0; i < m_titles.size(); ++i)
            segments << segmentRect(i).toRect();
        if (const int next = keyfocus::nearestInDirection(segments, m_keySegment, key); next >= 0)
            m_keySegment = next;
        update();
    } else if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        choose(m_keySegment);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void SegmentedControl::focusInEvent(QFocusEvent* event)
{
    m_keySegment = m_current;
    update();
    QWidget::focusInEvent(event);
}

void SegmentedControl::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    const bool dark = isDark(a);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(rect());
    neon::fillRoundedPath(p, track, kRadius, dark ? faded(Qt::white, 0.07) : faded(Qt::black, 0.06));
    neon::strokeRoundedPathInside(p, track, kRadius, 1, dark ? faded(Qt::white, 0.12) : faded(Qt::black, 0.08));
    p.setFont(typescale::font(TextRole::itemName));
    for (int i = 0; i < m_titles.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool chosen = i == m_current;
        if (chosen)
            neon::fillRoundedPath(p, r, kRadius - 2, accentTint(a));
        else if (m_press.isPressed(i))
            neon::fillRoundedPath(p, r, kRadius - 2, dark ? faded(Qt::white, 0.08) : faded(Qt::black, 0.06));
        p.setPen(chosen ? QColor(Qt::white) : primaryTextTint(a));
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine,
                   neon::elided(m_titles[i], typescale::font(TextRole::itemName), r.width() - 8));
        // The segment the keyboard is on, inside the ring around the whole control.
        if (hasFocus() && i == m_keySegment)
            focusring::paint(p, r, kRadius - 2, focusring::Placement::inside, a);
    }
}

} // namespace tw
