#pragma once

#include <QMouseEvent>
#include <QWidget>

#include <optional>
#include <utility>

namespace tw {

// Press-then-release over the parts of a widget (its segments, the rows of
// a card, the cards it paints): a click is a left press on a part and a
// left release on the same part. Part is any comparable value.
template <typename Part>
class PressTracker {
public:
    // Keeps the part under a left press (none for another button or no
    // part); returns whether a part is now pressed.
    bool press(const QMouseEvent* event, std::optional<Part> part)
    {
        m_pressed = event->button() == Qt::LeftButton ? std::move(part) : std::nullopt;
        return m_pressed.has_value();
    }
    // Ends the press; the part clicked when the left release lands on the
    // part that was pressed.
    std::optional<Part> release(const QMouseEvent* event, const std::optional<Part>& part)
    {
        std::optional<Part> pressed = std::exchange(m_pressed, std::nullopt);
        if (!pressed || event->button() != Qt::LeftButton || part != pressed)
            return std::nullopt;
        return pressed;
    }
    const std::optional<Part>& pressed() const { return m_pressed; }
    bool isPressed(const Part& part) const { return m_pressed == part; }

private:
    std::optional<Part> m_pressed;
};

// A row or card of a list that answers clicks: a left press and release
// inside its click area (the whole row unless a row narrows it) send
// clicked(). The row takes every press that reaches it, so the list beneath
// never sees one; a child control keeps its own. The rows have no hover
// look and take no keyboard focus of their own: the list they lie in (a
// LazyList) moves through them with the arrow keys, part by part (one part
// unless the row has sub-rows, as a group card has its members), and
// Space or Return activates a part as a click on it would. A row places its
// children in resizeEvent, through a Mirror; a change of layout direction
// places them again.
class ClickableRow : public QWidget {
    Q_OBJECT
public:
    explicit ClickableRow(QWidget* parent = nullptr);

    // Where a click counts, in the row's coordinates (as shown: mirrored in
    // a right-to-left layout).
    virtual QRect clickArea() const { return rect(); }
    bool isPressed() const { return m_press.pressed().has_value(); }

    // The row's parts for the keyboard, top to bottom, and where each lies.
    virtual int keyPartCount() const { return 1; }
    virtual QRect keyPartRect(int part) const;
    // The corner radius of the focus ring about a part.
    virtual qreal keyPartRadius(int part) const;
    // The part under a point (0 when none).
    virtual int keyPartAt(const QPoint& pos) const;
    // Does what a click on the part does (clicked() for the one part).
    virtual void activateKeyPart(int part);

signals:
    void clicked();

protected:
    // A left press in the area starts a click, its release there ends it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PressTracker<bool> m_press;
};

// A list row that folds (a group over its members), a ClickableRow or not.
// On the row's first stop a LazyList's Right unfolds a folded part and Left
// folds an unfolded one (mirrored right to left), as in a tree; elsewhere
// they move among the stops as usual.
class FoldingRow {
public:
    virtual ~FoldingRow() = default;
    // Whether the part is folded now; none when it does not fold.
    virtual std::optional<bool> isFolded(int part) const = 0;
    virtual void setFolded(int part, bool folded) = 0;
};

} // namespace tw
