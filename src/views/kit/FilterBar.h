#pragma once

#include "views/kit/Binding.h"

#include <QWidget>

#include <functional>

class QLineEdit;

namespace tw {

class SymbolButton;
class SymbolView;

// The search row at the top of a list column: the magnifying glass, a plain
// one-line field showing placeholder (as given, never translated) and, only
// when onRefresh is given, a refresh button. Every keystroke writes the
// bound text; the owner filters from it. 8 points apart, 10 of padding.
class FilterBar : public QWidget {
    Q_OBJECT
public:
    FilterBar(Binding<QString> searchText, const QString& placeholder, std::function<void()> onRefresh = {},
              QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    // Null when the bar has no refresh action.
    SymbolButton* refreshButton() const { return m_refresh; }
    // Shows the bound text when it was changed elsewhere.
    void refresh();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void restyle();

    Binding<QString> m_text;
    SymbolView* m_glass;
    QLineEdit* m_field;
    SymbolButton* m_refresh = nullptr;
};

// The filter bar as the workspaces build it.
FilterBar* filterBar(Binding<QString> searchText, const QString& placeholder, std::function<void()> onRefresh = {});

} // namespace tw
