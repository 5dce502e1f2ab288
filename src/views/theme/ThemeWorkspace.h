#pragma once

#include "state/Theme.h"

#include <QList>
#include <QWidget>

class QScrollArea;

namespace tw {

class ThemePreviewCard;
class TintedLabel;
class WorkspaceCard;
class WorkspaceTitleBar;

// The grid of theme cards: two flexible columns, 8 points apart, rows 16
// points apart, cards in theme order, with room around them for a card's
// focus ring.
class ThemeGrid : public QWidget {
    Q_OBJECT
public:
    explicit ThemeGrid(QWidget* parent = nullptr);

    void addCard(ThemePreviewCard* card);
    const QList<ThemePreviewCard*>& cards() const { return m_cards; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the cards (when place is set) at a width, row by row, and
    // returns the height they take.
    int layOut(int width, bool place) const;

    QList<ThemePreviewCard*> m_cards;
};

// The Theme tab: a title bar, a subtitle and a card per theme; clicking a
// card switches the program's theme (with a short cross-fade).
class ThemeWorkspace : public QWidget {
    Q_OBJECT
public:
    explicit ThemeWorkspace(ThemeManager& theme, QWidget* parent = nullptr);

    ThemePreviewCard* card(AppAppearance appearance) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void choose(AppAppearance appearance);
    void syncSelection();

    ThemeManager& m_theme;
    WorkspaceTitleBar* m_titleBar;
    WorkspaceCard* m_scrollCard;
    QScrollArea* m_scroll;
    TintedLabel* m_subtitle;
    ThemeGrid* m_grid;
};

} // namespace tw
