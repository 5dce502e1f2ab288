#pragma once

#include <QWidget>

namespace tw {

// A one-point horizontal rule in the separator colour of the current theme.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);

    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tw
