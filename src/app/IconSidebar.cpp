#include "app/IconSidebar.h"

#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "state/L10n.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonGlassPanel.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;

SidebarGlyph glyphFor(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::applications: return SidebarGlyph::applications;
    case SidebarTab::startup: return SidebarGlyph::startup;
    case SidebarTab::updates: return SidebarGlyph::updates;
    case SidebarTab::extensions: return SidebarGlyph::extensions;
    case SidebarTab::network: return SidebarGlyph::network;
    case SidebarTab::system: return SidebarGlyph::system;
    case SidebarTab::theme: return SidebarGlyph::theme;
    }
    return SidebarGlyph::system;
}

// ---- MakerFooterButton ---------------------------------------------------------------

namespace {

constexpr int kFooterGlowRoom = 4;

void openExternal(const QUrl& url)
{
    // The result is not reported: nothing happens when nothing handles the link.
    if (SharedState* state = SharedState::current())
        state->platform().workspace().open(url);
}

} // namespace

MakerFooterButton::MakerFooterButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setText(QStringLiteral("marrowind"));
    setToolTip(brand::websiteHost());
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [] { openExternal(brand::websiteURL()); });
}

QColor MakerFooterButton::textColour(AppAppearance a)
{
    return faded(AppTheme::neonHighlight(a), 0.85);
}

QSize MakerFooterButton::sizeHint() const
{
    const QFontMetricsF m(typescale::font(TextRole::maker));
    return {int(std::ceil(m.horizontalAdvance(text()))) + 2 * kFooterGlowRoom,
            int(std::ceil(m.height())) + 2 * kFooterGlowRoom};
}

void MakerFooterButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    QColor colour = textColour(a);
    if (isDown())
        colour = faded(colour, 0.7);
    neon::paintGlowingText(p, QRectF(rect()), Qt::AlignCenter, text(), typescale::font(TextRole::maker), colour,
                           {{faded(AppTheme::neonGlow(a), 0.45), 4, {0, 0}}});
}

// ---- IconSidebar -----------------------------------------------------------------------

IconSidebar::IconSidebar(AppNavigation& navigation, QWidget* parent)
    : QWidget(parent)
    , m_navigation(navigation)
    , m_panel(new NeonGlassPanel(this))
{
    setFixedWidth(sidebarWidth());
    QWidget* content = m_panel->content();
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 36, 12, 14);
    column->setSpacing(0);

    auto addPill = [&](const QString& title, SidebarGlyph glyph, bool selected) {
        auto* pill = new NeonPillButton(title, glyph, selected, content);
        pill->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        pill->setFixedHeight(NeonPillButton::pillHeight());
        column->addWidget(pill);
        return pill;
    };
    bool first = true;
    for (SidebarTab tab : columnTabs()) {
        if (!first)
            column->addSpacing(9);
        first = false;
        NeonPillButton* pill = addPill(pillTitle(tab), glyphFor(tab), navigation.tab() == tab);
        pill->setObjectName(QStringLiteral("pill-") + rawValue(tab));
        connect(pill, &QAbstractButton::clicked, this, [this, tab] { m_navigation.setTab(tab); });
        m_tabPills.append(pill);
    }
    column->addSpacing(12);
    column->addStretch(1);
    m_themePill = addPill(pillTitle(SidebarTab::theme), SidebarGlyph::theme, navigation.tab() == SidebarTab::theme);
    m_themePill->setObjectName(QStringLiteral("pill-theme"));
    connect(m_themePill, &QAbstractButton::clicked, this, [this] { m_navigation.setTab(SidebarTab::theme); });
    column->addSpacing(4);
    m_preferencesPill = addPill(L10n::t(QStringLiteral("common.preferences")), SidebarGlyph::settings, false);
    m_preferencesPill->setObjectName(QStringLiteral("pill-preferences"));
    connect(m_preferencesPill, &QAbstractButton::clicked, this, [this] { m_navigation.setShowPreferences(true); });
    // The arrows move up and down the pills as well.
    QList<QWidget*> pills{m_tabPills.begin(), m_tabPills.end()};
    keyfocus::arrowGroup(pills << m_themePill << m_preferencesPill);

    // The footer keeps 12 points above and 6 below its text; its glow uses part of that.
    column->addSpacing(12 - kFooterGlowRoom);
    m_footer = new MakerFooterButton(content);
    column->addWidget(m_footer, 0, Qt::AlignHCenter);
    column->addSpacing(6 - kFooterGlowRoom);

    connect(&navigation, &AppNavigation::tabChanged, this, &IconSidebar::syncSelection);
}

QList<SidebarTab> IconSidebar::columnTabs()
{
    QList<SidebarTab> tabs;
    for (SidebarTab tab : allCases<SidebarTab>())
        if (tab != SidebarTab::system && tab != SidebarTab::theme)
            tabs << tab;
    tabs << SidebarTab::system;
    return tabs;
}

NeonPillButton* IconSidebar::pill(SidebarTab tab) const
{
    if (tab == SidebarTab::theme)
        return m_themePill;
    const QList<SidebarTab> tabs = columnTabs();
    const qsizetype i = tabs.indexOf(tab);
    return i < 0 ? nullptr : m_tabPills.value(i);
}

void IconSidebar::syncSelection()
{
    const QList<SidebarTab> tabs = columnTabs();
    for (qsizetype i = 0; i < tabs.size(); ++i)
        m_tabPills[i]->setSelected(m_navigation.tab() == tabs[i]);
    m_themePill->setSelected(m_navigation.tab() == SidebarTab::theme);
}

void IconSidebar::resizeEvent(QResizeEvent*)
{
    m_panel->setCardGeometry(QRect(10, 12, width() - 20, std::max(0, height() - 22)));
}

} // namespace tw
