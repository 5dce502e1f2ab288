#pragma once

#include "views/kit/Binding.h"
#include "views/kit/ClickableRow.h"

#include <QStringList>
#include <QWidget>

namespace tw {

// A row of segments of which one is chosen (the Apps / Remains picker).
// Bound to an index like the toggles: a click writes the binding once and
// the control then shows what it holds; refresh() shows a change made
// elsewhere. Without a binding it keeps its own index. activated(index)
// follows every click on a segment. The first segment lies on the leading
// side (the right, right to left). From the keyboard it is one stop: Left
// and Right move a focus ring over the segments (as they lie on screen),
// Space or Return chooses the one under it.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& titles, QWidget* parent = nullptr);

    QStringList titles() const { return m_titles; }
    int currentIndex() const { return m_current; }
    // Shows index (clamped to the segments); sends nothing.
    void setCurrentIndex(int index);
    void bind(Binding<int> binding);
    void refresh();

    // The segment under a point (-1 when none).
    int segmentAt(const QPoint& pos) const;
    // Where a segment is shown: the first leads (at the right in a
    // right-to-left layout).
    QRectF segmentRect(int index) const;
    // The segment the keyboard is on.
    int keySegment() const { return m_keySegment; }
    QSize sizeHint() const override;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::optional<int> partAt(const QPoint& pos) const;
    void choose(int index);

    QStringList m_titles;
    int m_current = 0;
    int m_keySegment = 0;
    PressTracker<int> m_press;
    Binding<int> m_binding;
};

} // namespace tw
