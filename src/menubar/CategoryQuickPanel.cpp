#include "menubar/CategoryQuickPanel.h"

#include "engine/cleaner/SystemCleaner.h"
#include "state/Theme.h"
#include "views/kit/Divider.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tw {

CategoryQuickPanel::CategoryQuickPanel(SidebarTab tab, QuickPaneEnvironment env, QWidget* parent)
    : QWidget(parent)
    , m_tab(tab)
    , m_env(std::move(env))
{
    setFixedSize(panelSize());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (const QuickPanes::Factory make = QuickPanes::get(tab))
        m_pane = make(m_env);
    if (m_pane)
        column->addWidget(m_pane, 1);
    else
        column->addStretch(1);
    if (tab == SidebarTab::updates)
        return;

    column->addWidget(new Divider(this));
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(14, 8, 14, 8);
    m_footerLabel = new TintedLabel(footerName(tab), Tint::secondary, typescale::font(TextRole::callout), this);
    footer->addWidget(m_footerLabel);
    footer->addStretch(1);
    m_openInApp = new TextButton(QStringLiteral("Open in App"), Tint::accent, typescale::font(TextRole::body),
                                 this);
    connect(m_openInApp, &QAbstractButton::clicked, this, [this] {
        if (m_env.onOpenInApp)
            m_env.onOpenInApp();
    });
    m_openInApp->setCompact(true);
    footer->addWidget(m_openInApp);
    column->addLayout(footer);
}

QString CategoryQuickPanel::footerName(SidebarTab tab)
{
    switch (tab) {
    case SidebarTab::applications: return QStringLiteral("Applications");
    case SidebarTab::startup: return QStringLiteral("Startup apps");
    case SidebarTab::extensions: return QStringLiteral("Extensions");
    case SidebarTab::network: return QStringLiteral("Network access");
    case SidebarTab::system: return QStringLiteral("System");
    case SidebarTab::theme: return QStringLiteral("Theme");
    case SidebarTab::updates: break;
    }
    return {};
}

QColor CategoryQuickPanel::background()
{
    return AppTheme::cardFill();
}

void CategoryQuickPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const AppAppearance a = AppTheme::appearance();
    const QRectF r = rect();
    neon::fillRoundedRect(p, r, cornerRadius(), AppTheme::cardFill(a));
    neon::strokeRoundedRectInside(p, r, cornerRadius(), 1, AppTheme::cardStroke(a));
}

void CategoryQuickPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // One scan at a time: a second would clear the scanning flag when the
    // first finishes while it still runs.
    SystemCleaner& cleaner = m_env.cleaner;
    if (m_tab == SidebarTab::startup && cleaner.startupItems().isEmpty() && !cleaner.isScanningStartup())
        cleaner.scanStartupItems();
}

} // namespace tw
