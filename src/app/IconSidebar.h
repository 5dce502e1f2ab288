#pragma once

#include "state/NavigationTypes.h"
#include "state/AppAppearance.h"
#include "views/kit/SidebarGlyph.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

namespace tw {

class AppNavigation;
class NeonGlassPanel;
class NeonPillButton;

// The glyph of a tab's pill.
SidebarGlyph glyphFor(SidebarTab tab);

// The maker's name at the foot of the sidebar; opens the maker's website.
class MakerFooterButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MakerFooterButton(QWidget* parent = nullptr);
    static QColor textColour(AppAppearance a);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The fixed-width column of pills: one per tab (System last), then the
// Theme and Preferences pills and the maker's name, on a neon glass card.
class IconSidebar : public QWidget {
    Q_OBJECT
public:
    explicit IconSidebar(AppNavigation& navigation, QWidget* parent = nullptr);

    static constexpr int sidebarWidth() { return 188; }
    // The tab pills in order, then the Theme pill.
    const QList<NeonPillButton*>& tabPills() const { return m_tabPills; }
    NeonPillButton* themePill() const { return m_themePill; }
    NeonPillButton* preferencesPill() const { return m_preferencesPill; }
    MakerFooterButton* footer() const { return m_footer; }
    NeonGlassPanel* panel() const { return m_panel; }
    NeonPillButton* pill(SidebarTab tab) const;

    // The tabs that get a pill in the column, in order.
    static QList<SidebarTab> columnTabs();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncSelection();

    AppNavigation& m_navigation;
    NeonGlassPanel* m_panel;
    QList<NeonPillButton*> m_tabPills;
    NeonPillButton* m_themePill;
    NeonPillButton* m_preferencesPill;
    MakerFooterButton* m_footer;
};

} // namespace tw
