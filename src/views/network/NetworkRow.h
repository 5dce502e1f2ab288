#pragma once

#include "engine/inventory/Models.h"
#include "views/kit/RoundedCard.h"

namespace tw {

class IconView;

// One application of the Network list: its icon, its name over "Network
// capable", and a green check. Recycled by the list: bind() gives it
// another application. A click on it sends clicked().
class NetworkRow : public RoundedCard {
    Q_OBJECT
public:
    explicit NetworkRow(QWidget* parent = nullptr);

    void bind(const AppInfoPtr& app, bool isSelected);
    const AppInfoPtr& app() const { return m_app; }
    bool isSelected() const { return look() != &NetworkRow::plainLook; }

    static int rowHeight();
    // A row of a plain list: nothing behind it until it is selected.
    static CardLook plainLook(AppAppearance a);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    AppInfoPtr m_app;
    QString m_caption;
    IconView* m_icon;
};

} // namespace tw
