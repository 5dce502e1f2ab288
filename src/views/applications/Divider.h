#pragma once

#include <QWidget>

namespace tw {

// A one-point horizontal rule between the parts of a column, in the
// theme's faint separator colour.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);
    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tw
