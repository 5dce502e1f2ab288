#pragma once

#include "platform/Icon.h"

#include <QWidget>

class QHBoxLayout;
class QSpacerItem;

namespace tw {

class IconView;

// One row of a quick pane's list: the icon (28 points, corners of 6), the
// title (13 pt medium) over an optional caption (11 pt, secondary), each cut
// to one line, then the row's own controls at the trailing side, 10 points
// apart, with 12 points of padding at the sides. A one-point rule runs along
// the bottom from ruleInset on. Texts are painted, so a new row binds
// without a new layout.
class QuickListRow : public QWidget {
    Q_OBJECT
public:
    QuickListRow(int verticalPadding, int ruleInset, QWidget* parent = nullptr);

    // The row's height: the icon, the padding and the rule.
    static int heightFor(int verticalPadding) { return kIconSide + 2 * verticalPadding + 1; }

    // An icon of none hides the icon, and the texts start at the padding; a
    // named symbol is drawn in the accent.
    void setIcon(const IconRef& icon);
    void setTexts(const QString& title, const QString& caption = {});
    // Where the row's controls go.
    QHBoxLayout* trailing() const { return m_trailing; }

    IconView* iconView() const { return m_icon; }
    const QString& title() const { return m_title; }
    const QString& caption() const { return m_caption; }
    // Where the texts are drawn, in the row's coordinates.
    QRect textRect() const;

    static constexpr int kIconSide = 28;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IconView* m_icon;
    QSpacerItem* m_textSlot;
    QHBoxLayout* m_trailing;
    int m_ruleInset;
    QString m_title;
    QString m_caption;
};

} // namespace tw
