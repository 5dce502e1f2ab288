#pragma once

#include "engine/updates/UpdateModels.h"

#include <QStackedWidget>

#include <optional>

class QLayout;

namespace tw {

class FeatureEmptyState;
class IconView;
class PushButton;
class TintedLabel;
class WrappingText;

// The Updates tab's detail column: the placeholder while no row is
// selected, else the row's card (icon, name, the installed and available
// versions and the path, which can be selected and copied, the sentence for
// its state and the primary button, which sends actionRequested()).
class UpdateDetail : public QStackedWidget {
    Q_OBJECT
public:
    explicit UpdateDetail(QWidget* parent = nullptr);

    void bind(const std::optional<AppUpdateItem>& row);

    FeatureEmptyState* placeholder() const { return m_placeholder; }
    TintedLabel* nameLabel() const { return m_name; }
    // The values of the version block: installed, available, path (each
    // one left-to-right run, selectable).
    WrappingText* value(int row) const { return m_values[row]; }
    TintedLabel* message() const { return m_message; }
    PushButton* button() const { return m_button; }

signals:
    void actionRequested();

private:
    QWidget* makeCard();
    QWidget* makeHeader();
    QWidget* makeVersionBlock();

    FeatureEmptyState* m_placeholder;
    IconView* m_icon = nullptr;
    TintedLabel* m_name = nullptr;
    WrappingText* m_values[3] = {};
    TintedLabel* m_message = nullptr;
    PushButton* m_button = nullptr;
    QLayout* m_cardLayout = nullptr;
};

} // namespace tw
