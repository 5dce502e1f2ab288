#include "views/applications/SortMenuButton.h"

namespace tw {

namespace {

QStringList orderTitles()
{
    QStringList titles;
    for (AppSort order : allCases<AppSort>())
        titles << title(order);
    return titles;
}

} // namespace

SortMenuButton::SortMenuButton(QWidget* parent)
    : PullDownButton(orderTitles(), TextRole::itemName, parent)
{
    connect(this, &PullDownButton::chosen, this, [this](int index) { emit orderChosen(allCases<AppSort>()[index]); });
}

} // namespace tw
