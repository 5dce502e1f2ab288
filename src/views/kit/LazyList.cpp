#include "views/kit/LazyList.h"

#include "state/Theme.h"
#include "views/kit/ClickableRow.h"
#include "views/kit/Glow.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/ScrollBarStyle.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tw {

namespace {

// Rows measured beyond the edges of the view, so a short scroll finds them ready.
constexpr int kOverscan = 1;

// The scrolled content: the list's background and the glows of its rows.
class Content : public QWidget {
public:
    explicit Content(QWidget* parent)
        : QWidget(parent)
    {
        glowhost::mark(this);
        keyfocus::markRowHost(this);
    }
    bool fills = true;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        if (fills)
            neon::fillRect(p, event->rect(), AppTheme::listBackground());
        glowhost::paint(this, p, event->region());
    }
};

} // namespace

LazyList::LazyList(QWidget* parent)
    : QScrollArea(parent)
    , m_content(new Content(this))
{
    setFrameShape(QFrame::NoFrame);
    // A focus stop only while it has rows to show the focus on.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    styleScrollBar(this);
    setWidgetResizable(false);
    setWidget(m_content);
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { layOutRows(false); });
    onThemeChange(this, [this] { m_content->update(); });
}

void LazyList::setRows(Rows rows)
{
    m_rows = std::move(rows);
    reset(m_count);
}

void LazyList::setSpacing(int spacing)
{
    m_spacing = spacing;
    reset(m_count);
}

void LazyList::setPadding(const QMargins& padding)
{
    m_padding = padding;
    reset(m_count);
}

void LazyList::setFillsBackground(bool on)
{
    static_cast<Content*>(m_content)->fills = on;
    m_content->update();
}

int LazyList::contentWidth() const
{
    return std::max(0, viewport()->width() - m_padding.left() - m_padding.right());
}

void LazyList::measure()
{
    const int width = contentWidth();
    m_measuredWidth = width;
    m_tops.assign(size_t(m_count) + 1, 0);
    int y = m_padding.top();
    for (int row = 0; row < m_count; ++row) {
        m_tops[size_t(row)] = y;
        y += std::max(0, m_rows.height ? m_rows.height(row, width) : 0) + (row + 1 < m_count ? m_spacing : 0);
    }
    m_tops[size_t(m_count)] = y;
    const int total = m_count > 0 ? y + m_padding.bottom() : 0;
    m_content->resize(viewport()->width(), std::max(total, viewport()->height()));
}

void LazyList::reset(int count)
{
    // Where the focus showed, for the control that takes it when no row is left.
    const QRect place = m_count > 0 && count <= 0 ? placeRect() : QRect();
    m_count = std::max(0, count);
    setFocusPolicy(m_count > 0 ? Qt::StrongFocus : Qt::NoFocus);
    // The place stays on its row number, within the list.
    if (m_place.row >= m_count)
        m_place = m_count > 0 ? Place{m_count - 1, 0, m_place.stop} : Place{};
    measure();
    layOutRows(true);
    if (m_count == 0)
        keyfocus::cannotHold(this, place);
}

void LazyList::updateRow(int row)
{
    if (row < 0 || row >= m_count)
        return;
    measure();
    // Shown again from its pool, so a row that changed its kind gets a widget of the new one.
    release(row);
    layOutRows(false);
}

void LazyList::updateRows()
{
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it)
        m_rows.bind(it.value(), it.key());
    // A stop may have come or gone with them (a button enabled again).
    placeRing();
}

QList<int> LazyList::shownRows() const
{
    QList<int> rows = m_shown.keys();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QRect LazyList::rowRect(int row) const
{
    if (row < 0 || row >= m_count)
        return {};
    const int bottom = m_tops[size_t(row) + 1] - (row + 1 < m_count ? m_spacing : 0);
    return QRect(m_padding.left(), m_tops[size_t(row)], m_measuredWidth, bottom - m_tops[size_t(row)]);
}

int LazyList::rowAt(int y) const
{
    if (m_count == 0)
        return -1;
    // The last row starting at or above y.
    const auto it = std::upper_bound(m_tops.begin(), m_tops.begin() + m_count, y);
    const int row = int(it - m_tops.begin()) - 1;
    return row >= 0 && rowRect(row).contains(rowRect(row).left(), y) ? row : -1;
}

void LazyList::scrollToRow(int row)
{
    const QRect r = rowRect(row);
    if (!r.isNull())
        ensureVisible(r.center().x(), r.center().y(), 0, r.height() / 2 + m_spacing);
}

QWidget* LazyList::take(int kind)
{
    QList<QWidget*>& pool = m_free[kind];
    if (!pool.isEmpty())
        return pool.takeLast();
    QWidget* w = m_rows.make ? m_rows.make(kind) : nullptr;
    if (!w)
        w = new QWidget;
    w->setParent(m_content);
    // The list reaches the controls of its rows; Tab passes them.
    for (QWidget* child : w->findChildren<QWidget*>())
        if (child->focusPolicy() & Qt::TabFocus)
            child->setFocusPolicy(Qt::NoFocus);
    w->installEventFilter(this);
    m_kinds.insert(w, kind);
    ++m_made;
    return w;
}

void LazyList::release(int row)
{
    QWidget* w = m_shown.take(row);
    if (w)
        m_free[m_kinds.value(w)].append(w);
}

void LazyList::layOutRows(bool rebind)
{
    // The rows that meet the view, and one more at each end.
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    int first = m_count;
    int last = -1;
    if (m_count > 0) {
        first = int(std::upper_bound(m_tops.begin(), m_tops.begin() + m_count, top) - m_tops.begin()) - 1;
        last = int(std::lower_bound(m_tops.begin(), m_tops.begin() + m_count, bottom) - m_tops.begin()) - 1;
        first = std::max(0, first - kOverscan);
        last = std::min(m_count - 1, last + kOverscan);
    }
    // Widgets of rows out of range (all of them when rebinding) go back to
    // their pools; they are hidden only if nothing takes them again.
    const QList<int> shown = m_shown.keys();
    for (int row : shown)
        if (rebind || row < first || row > last || kindOf(row) != m_kinds.value(m_shown.value(row)))
            release(row);
    for (int row = first; row <= last; ++row) {
        QWidget* w = m_shown.value(row, nullptr);
        if (!w) {
            w = take(kindOf(row));
            m_shown.insert(row, w);
            if (m_rows.bind)
                m_rows.bind(w, row);
        }
        const QRect r = rowRect(row);
        if (w->geometry() != r)
            w->setGeometry(r);
        if (!w->isVisible())
            w->show();
    }
    for (QList<QWidget*>& pool : m_free)
        for (QWidget* w : pool)
            if (!w->isHidden())
                w->hide();
    placeRing();
}

bool LazyList::viewportEvent(QEvent* event)
{
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize) {
        // Heights may depend on the width (a scroll bar coming or going
        // changes it too); the rows keep their binding.
        measure();
        layOutRows(false);
    }
    return handled;
}

// ---- Keyboard ---------------------------------------------------------------------------

QList<QWidget*> LazyList::stopsOf(QWidget* row, int part)
{
    QList<QWidget*> stops;
    auto* clickable = qobject_cast<ClickableRow*>(row);
    const QRect area = clickable ? clickable->keyPartRect(part) : row->rect();
    if (clickable)
        stops << row;
    QList<QWidget*> buttons;
    for (QAbstractButton* b : row->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(row) || !b->isEnabled())
            continue;
        const QRect r(b->mapTo(row, QPoint(0, 0)), b->size());
        if (area.contains(r.center()))
            buttons << b;
    }
    // Reading order: from the leading side.
    const bool rtl = row->layoutDirection() == Qt::RightToLeft;
    std::sort(buttons.begin(), buttons.end(), [row, rtl](QWidget* a, QWidget* b) {
        const int ax = a->mapTo(row, QPoint(0, 0)).x(), bx = b->mapTo(row, QPoint(0, 0)).x();
        return rtl ? ax > bx : ax < bx;
    });
    return stops + buttons;
}

QList<QRect> LazyList::stopRects(QWidget* row, int part, const QList<QWidget*>& stops)
{
    // A row itself lies where its part does; its buttons where they stand.
    auto* clickable = qobject_cast<ClickableRow*>(row);
    QList<QRect> rects;
    for (QWidget* stop : stops)
        rects << (stop == row && clickable ? clickable->keyPartRect(part) : QRect(stop->mapTo(row, QPoint(0, 0)), stop->size()));
    return rects;
}

QWidget* LazyList::shownWidget(int row)
{
    if (!widgetFor(row))
        scrollToRow(row);
    return widgetFor(row);
}

bool LazyList::seek(int row, int part, int step)
{
    for (; row >= 0 && row < m_count; row += step, part = step > 0 ? 0 : kLastPart) {
        QWidget* w = shownWidget(row);
        if (!w)
            continue;
        auto* clickable = qobject_cast<ClickableRow*>(w);
        const int parts = clickable ? clickable->keyPartCount() : 1;
        if (part == kLastPart)
            part = parts - 1;
        for (; part >= 0 && part < parts; part += step) {
            if (!stopsOf(w, part).isEmpty()) {
                m_place.row = row;
                m_place.part = part;
                // The part in view, not only its row (a group card is tall).
                const QRect r = clickable ? clickable->keyPartRect(part).translated(rowRect(row).topLeft())
                                          : rowRect(row);
                ensureVisible(r.center().x(), r.center().y(), 0, r.height() / 2 + m_spacing);
                return true;
            }
        }
    }
    return false;
}

QWidget* LazyList::currentStop() const
{
    QWidget* w = widgetFor(m_place.row);
    if (!w)
        return nullptr;
    const QList<QWidget*> stops = stopsOf(w, m_place.part);
    return stops.isEmpty() ? nullptr : stops[std::clamp(m_place.stop, 0, int(stops.size()) - 1)];
}

QRect LazyList::placeRect() const
{
    QRect r;
    if (const QWidget* stop = currentStop())
        r = QRect(stop->mapTo(this, QPoint(0, 0)), stop->size());
    else if (m_place.row >= 0 && m_place.row < m_count)
        r = rowRect(m_place.row).translated(m_content->mapTo(this, QPoint(0, 0)));
    return r & viewport()->geometry();
}

bool LazyList::showsPlace() const
{
    return m_ring && m_ring->isVisible();
}

void LazyList::enter()
{
    if (m_place.row >= 0 && m_place.row < m_count && seek(m_place.row, m_place.part, 1))
        return;
    // The first row in view, else the first of all.
    const int top = std::max(0, rowAt(verticalScrollBar()->value()));
    m_place.stop = 0;
    if (!seek(top, 0, 1))
        seek(0, 0, 1);
}

void LazyList::activate()
{
    QWidget* stop = currentStop();
    if (!stop)
        return;
    if (auto* row = qobject_cast<ClickableRow*>(stop))
        row->activateKeyPart(m_place.part);
    else if (auto* button = qobject_cast<QAbstractButton*>(stop))
        button->click();
}

void LazyList::placeRing()
{
    QWidget* stop = hasFocus() && m_ringWanted ? currentStop() : nullptr;
    if (!stop) {
        if (m_ring)
            m_ring->hide();
        return;
    }
    if (!m_ring)
        m_ring = new FocusRing(m_content);
    QWidget* row = widgetFor(m_place.row);
    if (stop == row) {
        auto* clickable = static_cast<ClickableRow*>(row);
        const QRect part = clickable->keyPartRect(m_place.part);
        // Around a whole row where the rows stand apart, else within the part.
        const bool room = part == row->rect() && m_spacing >= 4;
        m_ring->showAround(part.translated(row->pos()), clickable->keyPartRadius(m_place.part),
                           room ? focusring::Placement::outside : focusring::Placement::inside);
    } else {
        m_ring->showAround(QRect(stop->mapTo(m_content, QPoint(0, 0)), stop->size()), keyfocus::ringRadius(stop),
                           focusring::Placement::outside);
    }
}

void LazyList::keyPressEvent(QKeyEvent* event)
{
    if (m_count == 0 || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QScrollArea::keyPressEvent(event);
        return;
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const bool placed = m_place.row >= 0 && m_place.row < m_count;
    switch (event->key()) {
    case Qt::Key_Down:
        if (!placed)
            enter();
        else
            seek(m_place.row, m_place.part + 1, 1);
        break;
    case Qt::Key_Up:
        if (!placed)
            enter();
        else
            seek(m_place.row, m_place.part - 1, -1);
        break;
    case Qt::Key_Home:
        seek(0, 0, 1);
        break;
    case Qt::Key_End:
        seek(m_count - 1, kLastPart, -1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (!placed) {
            enter();
            break;
        }
        const bool forward = (event->key() == Qt::Key_Right) != rtl;
        QWidget* w = widgetFor(m_place.row);
        const QList<QWidget*> stops = w ? stopsOf(w, m_place.part) : QList<QWidget*>{};
        const int stop = std::clamp(m_place.stop, 0, std::max(0, int(stops.size()) - 1));
        // On a group's first stop: forward unfolds it, back folds it.
        auto* folding = dynamic_cast<FoldingRow*>(w);
        const std::optional<bool> folded = folding && stop == 0 ? folding->isFolded(m_place.part) : std::nullopt;
        if (folded && *folded == forward) {
            folding->setFolded(m_place.part, !forward);
            break;
        }
        // To the nearest stop on screen in the arrow's direction, if any.
        const int next = keyfocus::nearestInDirection(stopRects(w, m_place.part, stops), stop, event->key());
        m_place.stop = next >= 0 ? next : stop;
        break;
    }
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!placed)
            enter();
        else if (shownWidget(m_place.row))
            activate();
        break;
    default:
        QScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    m_ringWanted = true;
    placeRing();
}

void LazyList::focusInEvent(QFocusEvent* event)
{
    QScrollArea::focusInEvent(event);
    switch (event->reason()) {
    case Qt::MouseFocusReason:
        m_ringWanted = false;
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        break;
    default:
        m_ringWanted = true;
        enter();
        break;
    }
    placeRing();
}

void LazyList::focusOutEvent(QFocusEvent* event)
{
    QScrollArea::focusOutEvent(event);
    placeRing();
}

bool LazyList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        // A click puts the place on the row clicked, without the ring.
        auto* w = static_cast<QWidget*>(watched);
        if (const int row = m_shown.key(w, -1); row >= 0) {
            auto* clickable = qobject_cast<ClickableRow*>(w);
            const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
            m_place = {row, clickable ? clickable->keyPartAt(pos) : 0, 0};
            m_ringWanted = false;
            placeRing();
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace tw
