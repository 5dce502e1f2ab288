#pragma once

#include "engine/cleaner/RemovableItem.h"
#include "views/kit/RoundedCard.h"

#include <functional>

namespace tw {

class IconView;
class NeonSwitch;

// One row of the Startup tab's list: the item's icon, its title and its
// category (one line each) and, at the trailing edge, its switch. A click on
// the icon, the texts or the space up to the switch selects the item (the
// card's padding does not); the switch only asks for the new state and
// then shows what the item holds after its next bind. Holds no state of
// its own beyond what bind gives it; made and rebound by the list.
class StartupListCard : public RoundedCard {
    Q_OBJECT
public:
    explicit StartupListCard(QWidget* parent = nullptr);

    static constexpr int rowHeight() { return 56; }

    void bind(const RemovableItem& item, bool isActive, std::function<void()> onSelect,
              std::function<void(bool)> onToggle);

    NeonSwitch* toggle() const { return m_switch; }
    const QString& title() const { return m_title; }
    const QString& category() const { return m_category; }
    // The title as drawn, cut to one line.
    const QString& shownTitle() const { return m_shownTitle; }
    // What a click selects with: the icon, the texts and the space before the
    // switch (as shown: at the right in a right-to-left layout).
    QRect bodyRect() const;
    QRect clickArea() const override { return bodyRect(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where the switch begins, left to right.
    int switchLeft() const;
    QRectF textRect() const;
    void elide();

    IconView* m_icon;
    NeonSwitch* m_switch;
    QString m_title;
    QString m_category;
    QString m_shownTitle;
    QString m_shownCategory;
    std::function<void()> m_onSelect;
};

} // namespace tw
