#pragma once

#include <QHash>
#include <QList>
#include <QMargins>
#include <QScrollArea>

#include <functional>
#include <limits>
#include <vector>

namespace tw {

class FocusRing;

// The list of every long column: a vertical scroll view that makes widgets
// only for the rows in view and reuses them for the rows scrolled into view.
// Rows may be of several kinds (a section header, a card) and of any height.
//
//   LazyList* list = new LazyList;
//   list->setRows({
//       .kind = [&](int row) { return isHeader(row) ? 0 : 1; },
//       .height = [&](int row, int width) { return isHeader(row) ? 28 : 58; },
//       .make = [](int kind) -> QWidget* { return kind == 0 ? new Header : new Card; },
//       .bind = [&](QWidget* w, int row) { ... show row in w ... },
//   });
//   list->reset(filtered.size());   // after every change of the list
//
// height is asked for every row at each reset (keep it cheap); kind, make and
// bind only for rows coming into view. A reset binds the rows in view again
// and keeps the scroll position where it can. The content is a glow host (a
// card's glow shows) and is painted with AppTheme::listBackground unless
// setFillsBackground(false).
//
// The keyboard: a list with rows is one focus stop (Tab, or a click). It
// keeps a current place: a row, a part of it (see ClickableRow) and a stop
// of that part: the part itself when the row is a ClickableRow, then the
// buttons lying in the part, in reading order. Up and Down move through the
// parts of the rows, passing rows without a stop (headers) and keeping the
// column; Left and Right move to the part's nearest stop on screen in their
// direction (as keyfocus::nearestInDirection: a row's check box at its left
// is reached with Left) or, on a FoldingRow's first stop, unfold and fold
// it (forward and back, mirrored right to left); Home and
// End go to the first and the last; Space or Return acts
// on the stop as a click would. Entering the list selects nothing: the focus
// ring shows the place (where it last was, else the first row in view); a
// click moves the place to the row clicked without showing the ring. Only
// rows in view have widgets, the place is kept by its row number.
class LazyList : public QScrollArea {
    Q_OBJECT
public:
    struct Rows {
        std::function<int(int row)> kind;            // absent: every row is of kind 0
        std::function<int(int row, int width)> height;
        std::function<QWidget*(int kind)> make;
        std::function<void(QWidget* widget, int row)> bind;
    };

    explicit LazyList(QWidget* parent = nullptr);

    void setRows(Rows rows);
    // Space between rows, and around them.
    void setSpacing(int spacing);
    void setPadding(const QMargins& padding);
    void setFillsBackground(bool on);

    // A new list of count rows: every row is measured again, every row in view bound again.
    void reset(int count);
    // One row changed: measured and, when in view, bound again.
    void updateRow(int row);
    // The rows in view bound again (their content changed, not their heights).
    void updateRows();

    int count() const { return m_count; }
    // The widget showing row, or null when the row is not in view.
    QWidget* widgetFor(int row) const { return m_shown.value(row); }
    // The rows that have a widget, in order.
    QList<int> shownRows() const;
    // Where a row lies in the content (the scrolled widget).
    QRect rowRect(int row) const;
    // The row at a height of the content, or -1.
    int rowAt(int y) const;
    void scrollToRow(int row);
    // How many row widgets were made so far.
    int madeCount() const { return m_made; }

    struct Place {
        int row = -1;
        int part = 0;
        // The column of stops, kept going up and down: the part's last stop
        // where it has fewer.
        int stop = 0;
        bool operator==(const Place&) const = default;
    };
    Place currentPlace() const { return m_place; }
    // The stop the keyboard is on (a row or a button in it), or null when its row has no widget.
    QWidget* currentStop() const;
    // Where the place lies in the list, within its view (empty when out of it).
    QRect placeRect() const;
    // Whether the focus ring shows the place now.
    bool showsPlace() const;
    // The stops of a part of a row's widget, in reading order.
    static QList<QWidget*> stopsOf(QWidget* row, int part);
    // Where those stops lie in the row: a ClickableRow itself as its part.
    static QList<QRect> stopRects(QWidget* row, int part, const QList<QWidget*>& stops);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Places the keyboard on the first part with a stop from (row, part) on,
    // stepping by step (+1 or -1); part kLastPart is a row's last. False when none.
    bool seek(int row, int part, int step);
    static constexpr int kLastPart = std::numeric_limits<int>::min();
    QWidget* shownWidget(int row);
    void enter();
    void activate();
    void placeRing();
    void measure();
    void layOutRows(bool rebind);
    QWidget* take(int kind);
    void release(int row);
    int kindOf(int row) const { return m_rows.kind ? m_rows.kind(row) : 0; }
    int contentWidth() const;

    Rows m_rows;
    QWidget* m_content;
    int m_count = 0;
    int m_spacing = 0;
    QMargins m_padding;
    // tops[i] is where row i starts; tops[count] is where the rows end.
    std::vector<int> m_tops;
    int m_measuredWidth = -1;
    QHash<int, QWidget*> m_shown;
    QHash<QWidget*, int> m_kinds;
    QHash<int, QList<QWidget*>> m_free;
    int m_made = 0;
    Place m_place;
    bool m_ringWanted = false;
    FocusRing* m_ring = nullptr;
};

} // namespace tw
