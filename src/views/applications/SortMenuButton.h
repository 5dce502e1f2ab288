#pragma once

#include "state/NavigationTypes.h"
#include "views/kit/PullDownButton.h"

namespace tw {

// The order menu of a list header: the current order's title and a chevron;
// a click pulls down one entry per order (Name, Size, Date). orderChosen
// follows a choice; the owner sets the shown order.
class SortMenuButton : public PullDownButton {
    Q_OBJECT
public:
    explicit SortMenuButton(QWidget* parent = nullptr);

    AppSort order() const { return allCases<AppSort>()[current()]; }
    void setOrder(AppSort order) { setCurrent(int(allCases<AppSort>().indexOf(order))); }

signals:
    void orderChosen(tw::AppSort order);
};

} // namespace tw
