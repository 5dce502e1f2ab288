#pragma once

#include "app/state/NavigationTypes.h"

#include <QAbstractButton>

class QMenu;

namespace tw {

// The order menu of a list header: its label is the current order's title
// and a chevron; a click pulls down one entry per order (Name, Size, Date).
// chosen(order) follows a choice; the owner sets the shown order.
class SortMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SortMenuButton(QWidget* parent = nullptr);

    AppSort order() const { return m_order; }
    void setOrder(AppSort order);
    QMenu* menu() const { return m_menu; }
    QSize sizeHint() const override;

signals:
    void chosen(tw::AppSort order);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AppSort m_order = AppSort::name;
    QMenu* m_menu;
};

} // namespace tw
