#include "views/kit/LazyList.h"

#include "state/Theme.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/ScrollBarStyle.h"

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
    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
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
    m_count = std::max(0, count);
    measure();
    layOutRows(true);
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

} // namespace tw
