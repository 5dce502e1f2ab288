#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QMargins>

#include <optional>

namespace tw {

// A push button in the bordered-prominent style: a white title on a rounded
// fill in accentTint (or a fixed colour), darker while pressed, faded while
// disabled. Its size is the title's plus the padding; small() is the small
// control size of the list rows.
class ProminentButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ProminentButton(const QString& title, QWidget* parent = nullptr);
    // 12 pt semibold, 12 points of padding beside the title and 5 above and below.
    static ProminentButton* small(const QString& title, QWidget* parent = nullptr);

    // The fill: accentTint of the current theme when none.
    void setTint(std::optional<QColor> colour);
    QColor fillColour() const;
    void setTitleFont(const QFont& font);
    void setPadding(const QMargins& padding);
    // Changes the title only when it differs.
    void setTitle(const QString& title);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::optional<QColor> m_tint;
    QMargins m_padding{16, 6, 16, 6};
};

} // namespace tw
