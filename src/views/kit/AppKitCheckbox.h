#pragma once

#include "views/kit/BoundToggle.h"

namespace tw {

// The check box of the lists: a box without a title or border (an optional
// text is drawn after it: to its right, or its left in a right-to-left
// layout), bound to a Bool; a keyboard stop (KeyFocus.h). A user's click
// writes the binding once; a change of the value made elsewhere reaches the
// box through refresh() and is never written back. 18 x 18 points.
class AppKitCheckbox : public BoundToggle {
    Q_OBJECT
public:
    explicit AppKitCheckbox(QWidget* parent = nullptr);
    AppKitCheckbox(Binding<bool> isOn, QWidget* parent = nullptr);

    // Draws the box at a fraction of its size about its centre (0.92 in the remains cards).
    void setBoxScale(qreal scale);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF boxRect() const;

    qreal m_scale = 1.0;
};

} // namespace tw
