#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace tw {

// The small spinning progress indicator: twelve spokes, the brightest
// turning clockwise. Its timer runs only while the spinner is visible.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QWidget* parent = nullptr, int side = 18);

    bool isAnimating() const { return m_timer.isActive(); }
    // The spoke that is brightest now (0 .. 11).
    int phase() const { return m_phase; }
    QSize sizeHint() const override { return {m_side, m_side}; }
    // The spokes' colour: the secondary text colour when none.
    void setColour(std::optional<QColor> colour);

    static constexpr int spokes = 12;
    static constexpr int intervalMs = 80;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_side;
    int m_phase = 0;
    std::optional<QColor> m_colour;
};

} // namespace tw
