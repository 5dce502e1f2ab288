#pragma once

#include "views/kit/Binding.h"

#include <QWidget>

namespace tw {

class FilterBar;
class TintedLabel;

// The title and subtitle at the top of a quick pane (16 pt semibold in the
// primary text colour over 12 pt in the secondary one, 2 points apart), the
// full width, with 14 points of padding at the sides, 28 above and 8 below.
// Both texts are shown as given.
class PaneHeader : public QWidget {
    Q_OBJECT
public:
    PaneHeader(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    TintedLabel* title() const { return m_title; }
    TintedLabel* subtitle() const { return m_subtitle; }

private:
    TintedLabel* m_title;
    TintedLabel* m_subtitle;
};

// A quick pane's search box: the magnifying glass and a plain field showing
// placeholder, 6 points apart, with 10 points of padding at the sides and 6
// above and below, on a rounded box (radius 8) in the control background
// colour; 14 points from the pane's sides and 8 above what follows. Every
// keystroke writes the bound text.
class PaneSearchField : public QWidget {
    Q_OBJECT
public:
    PaneSearchField(const QString& placeholder, Binding<QString> text, QWidget* parent = nullptr);

    FilterBar* bar() const { return m_bar; }
    // The shell's light grey in the light theme (the panel itself is white),
    // white at 8 % over the dark ones.
    static QColor boxColour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FilterBar* m_bar;
};

} // namespace tw
