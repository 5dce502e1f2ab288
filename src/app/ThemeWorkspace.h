#pragma once

#include "app/NeonPaint.h"
#include "app/Theme.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <functional>

class QLabel;
class QScrollArea;

namespace tw {

class WorkspaceCard;
class WorkspaceTitleBar;

// One card of the theme grid: a miniature of the theme, its name and
// description, and whether it is the current theme. The card's own colours
// follow the current theme; the miniature always shows its own.
class ThemePreviewCard : public QAbstractButton, public GlowCaster {
    Q_OBJECT
public:
    ThemePreviewCard(AppAppearance appearance, bool selected, std::function<void()> action,
                     QWidget* parent = nullptr);

    AppAppearance appearance() const { return m_appearance; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // "checkmark.circle.fill" when selected, else "circle".
    QString symbolName() const;
    QColor symbolColour() const;

    static constexpr int swatchHeight() { return 120; }
    // The miniature of a theme, painted into rect.
    static void paintSwatch(QPainter& p, const QRectF& rect, AppAppearance shown);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int descriptionHeight(int width) const;

    AppAppearance m_appearance;
    bool m_selected;
};

// The grid of theme cards: two flexible columns, 8 points apart, rows 16
// points apart, cards in theme order.
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
    WorkspaceTitleBar* titleBar() const { return m_titleBar; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void choose(AppAppearance appearance);
    void syncSelection();
    void restyle();

    ThemeManager& m_theme;
    WorkspaceTitleBar* m_titleBar;
    WorkspaceCard* m_scrollCard;
    QScrollArea* m_scroll;
    QLabel* m_subtitle;
    ThemeGrid* m_grid;
};

// Fades a snapshot of a window out over its current look (0.2 s, ease in
// and out), so a theme switch animates.
void crossFadeWindow(QWidget* window, int durationMs = 200);

} // namespace tw
