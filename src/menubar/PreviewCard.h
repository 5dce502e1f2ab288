#pragma once

#include "app/state/NavigationTypes.h"
#include "menubar/PreviewFigures.h"

#include <QAbstractButton>

namespace tw {

// One category card of the quick preview: the category's symbol on an
// accent circle beside its title, and below them the card's live figure.
// The whole card is the button; a selected card has an accent border.
class PreviewCard : public QAbstractButton {
    Q_OBJECT
public:
    enum class Figure { size, updates, startup, network, system };

    PreviewCard(SidebarTab tab, const QString& title, const QString& symbol, Figure figure, QWidget* parent = nullptr);

    SidebarTab tab() const { return m_tab; }
    QString title() const { return text(); }
    QString symbol() const { return m_symbol; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // Repaints only when the card's own figure changed.
    void setFigures(const PreviewFigures& figures);
    // The figure's texts in reading order ("12", "Active", "+5").
    QStringList figureTexts() const;
    // Whether the startup card shows its remains badge.
    bool hasBadge() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The badge's green.
    static QColor badgeColour();
    // The network figure's two marks.
    static QColor allowedColour();
    static QColor blockedColour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFigure(QPainter& p, const QRectF& area) const;
    qreal figureHeight() const;

    SidebarTab m_tab;
    QString m_symbol;
    Figure m_figure;
    bool m_selected = false;
    PreviewFigures m_figures;
};

} // namespace tw
