#pragma once

#include <QAbstractButton>

namespace tw {

// An on/off switch drawn as a capsule track with a round knob.
class NeonSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit NeonSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {38, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tw
