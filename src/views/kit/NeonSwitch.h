#pragma once

#include "views/kit/BoundToggle.h"

namespace tw {

// An on/off switch drawn as a capsule track with a round knob, bound to a
// Bool like every BoundToggle: a user's flip writes the binding, and the
// switch then shows what the bound value holds.
class NeonSwitch : public BoundToggle {
    Q_OBJECT
public:
    // regular: 38 x 22 points; small: 32 x 18 (the list cards).
    enum class Size { regular, small };

    explicit NeonSwitch(QWidget* parent = nullptr);
    explicit NeonSwitch(Size size, QWidget* parent = nullptr);
    NeonSwitch(Binding<bool> isOn, Size size, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Size m_size = Size::regular;
};

} // namespace tw
