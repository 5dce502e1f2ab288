#pragma once

#include "engine/updates/UpdateModels.h"
#include "views/kit/RoundedCard.h"

namespace tw {

class IconView;
class PushButton;

// One row of the Updates list: the icon, the name, the installed version,
// the found version or the status, and the small primary button. A click
// on the card sends clicked() (select the row); the button sends
// actionRequested(). Recycled by the list: bind() gives it another row.
class UpdateListRow : public RoundedCard {
    Q_OBJECT
public:
    explicit UpdateListRow(QWidget* parent = nullptr);

    void bind(const AppUpdateItem& item, bool isActive);
    const AppUpdateItem& item() const { return m_item; }
    bool isActive() const;
    PushButton* button() const { return m_button; }

    // The row's height with or without its status line.
    static int heightFor(const AppUpdateItem& item);
    // The fill and border of the selected row: accentTint at 0.10 and 0.35.
    static CardLook activeLook(AppAppearance a);

signals:
    void actionRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();

    AppUpdateItem m_item;
    IconView* m_icon;
    PushButton* m_button;
};

} // namespace tw
