#pragma once

#include "views/kit/TypeScale.h"

#include <QAbstractButton>
#include <QColor>
#include <QMargins>

#include <optional>

namespace tw {

class Spinner;

// A push button with a centred title on a rounded bezel: prominent (filled
// with a tint, white title; system gray at 0.35 while disabled) or bordered
// (a faint fill and border, the title in the main text colour, or red for a
// destructive action). A title too long for the button is elided.
class PushButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { prominent, bordered };

    explicit PushButton(const QString& title = {}, Style style = Style::bordered, QWidget* parent = nullptr);
    // A bordered button at the small control size (11 pt, 22 points high).
    static PushButton* small(const QString& title, QWidget* parent = nullptr);

    void setButtonStyle(Style style);
    bool isProminent() const { return m_style == Style::prominent; }
    // A bordered button's title in red.
    void setDestructive(bool destructive);
    // The title's size and weight.
    void setTitleFont(TextRole role);
    // The space around the title (14 beside it, 6 above and below by default).
    void setPadding(const QMargins& padding);
    // A prominent button's fill while enabled: accentTint when none.
    void setTint(std::optional<QColor> colour);
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // The fill of a prominent button as drawn now.
    QColor fillColour() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    // The second press of a double click is no click: the first has acted.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void placeSpinner();

    Style m_style;
    Spinner* m_spinner = nullptr;
    bool m_busy = false;
    bool m_destructive = false;
    QFont m_font;
    QMargins m_padding{14, 6, 14, 6};
    std::optional<QColor> m_tint;
};

} // namespace tw
