#pragma once

#include <QAbstractButton>
#include <QColor>

namespace tw {

// A push button with a centred title on a rounded bezel: prominent (filled
// with a tint, white title; system gray at 0.35 while disabled) or bordered
// (a faint fill and border, the title in the main text colour).
class PushButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { prominent, bordered };

    explicit PushButton(const QString& title = {}, Style style = Style::bordered, QWidget* parent = nullptr);

    Style buttonStyle() const { return m_style; }
    void setButtonStyle(Style style);
    bool isProminent() const { return m_style == Style::prominent; }
    // The title's size and weight.
    void setTitleFont(qreal points, QFont::Weight weight);
    // The fill of a prominent button as drawn now.
    QColor fillColour() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Style m_style;
    QFont m_font;
};

} // namespace tw
