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
// follows every click on a segment.
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
    QRectF segmentRect(int index) const;
    QSize sizeHint() const override;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<int> partAt(const QPoint& pos) const;

    QStringList m_titles;
    int m_current = 0;
    PressTracker<int> m_press;
    Binding<int> m_binding;
};

} // namespace tw
