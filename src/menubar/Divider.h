#pragma once

#include <QWidget>

namespace tw {

// A one-point separator line across the width it is given, from its leading
// inset on, in the theme's separator colour.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(int leadingInset = 0, QWidget* parent = nullptr);

    // Black at 10 % in the light theme, white at 12 % in the dark ones.
    static QColor colour();
    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_inset;
};

} // namespace tw
