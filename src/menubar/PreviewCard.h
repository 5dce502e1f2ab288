#pragma once

#include "state/NavigationTypes.h"
#include "menubar/PreviewFigures.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tw {

// One category card of the quick preview, drawn by the preview: the
// category's symbol on an accent circle beside its title, and below them
// the card's live figure. A selected card has an accent border. Pictures
// are kept by look and figure, so a new preview draws what the last one did
// without drawing it again.
class PreviewCard {
public:
    enum class Figure { size, updates, startup, network, system };

    PreviewCard(SidebarTab tab, const QString& title, const QString& symbol, Figure figure);

    SidebarTab tab() const { return m_tab; }
    const QString& title() const { return m_title; }
    const QString& symbol() const { return m_symbol; }
    const QRect& geometry() const { return m_geometry; }
    void setGeometry(const QRect& rect) { m_geometry = rect; }

    bool isSelected() const { return m_selected; }
    // Whether anything changed.
    bool setSelected(bool selected);
    bool setFigures(const PreviewFigures& figures);
    // The figure's texts in reading order ("12", "Active", "+5").
    QStringList figureTexts() const;
    // Whether the startup card shows its remains badge.
    bool hasBadge() const;

    // The height the card needs at least (88 points, or what its figure asks).
    int minimumHeight() const;
    // The card as drawn at its geometry's size.
    QImage picture(qreal dpr) const;

    // The badge's green.
    static QColor badgeColour();
    // The network figure's two marks.
    static QColor allowedColour();
    static QColor blockedColour();

private:
    void paintFigure(QPainter& p, const QRectF& area) const;
    qreal figureHeight() const;

    SidebarTab m_tab;
    QString m_title;
    QString m_symbol;
    Figure m_figure;
    QRect m_geometry;
    bool m_selected = false;
    PreviewFigures m_figures;
};

} // namespace tw
