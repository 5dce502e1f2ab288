#pragma once

#include <QWidget>

namespace tw {

// A one-point horizontal rule between the parts of a column, in the
// secondary tint at low opacity (so it reads on light and dark columns).
class SeparatorLine : public QWidget {
    Q_OBJECT
public:
    explicit SeparatorLine(QWidget* parent = nullptr);

    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tw
