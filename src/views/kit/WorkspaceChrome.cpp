#include "views/kit/WorkspaceChrome.h"

#include "state/Theme.h"
#include "views/kit/Glow.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/WorkspaceCard.h"
#include "views/kit/WorkspaceTitleBar.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;

// ---- WorkspaceChrome --------------------------------------------------------------------

WorkspaceChrome::WorkspaceChrome(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_titleBar(new WorkspaceTitleBar(title, this))
    , m_middle(new WorkspaceCard(this))
    , m_detail(new WorkspaceCard(this))
{
    glowhost::mark(this);
    m_titleBar->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_middle->setObjectName(QStringLiteral("middleColumn"));
    m_detail->setObjectName(QStringLiteral("detailColumn"));
    onThemeChange(this, [this] { update(); });
}

QColor WorkspaceChrome::background(AppAppearance a)
{
    const double opacity = a == AppAppearance::classic ? 0.35 : a == AppAppearance::indigo ? 0.65 : 0.55;
    return faded(AppTheme::panelBase(a), opacity);
}

void WorkspaceChrome::paintBackdrop(QWidget* host, const QRegion& region)
{
    QPainter p(host);
    neon::fillRect(p, host->rect(), background(AppTheme::appearance()));
    glowhost::paint(host, p, region);
}

int WorkspaceChrome::placeTitleBar(WorkspaceTitleBar* bar, int width)
{
    const int barH = WorkspaceTitleBar::barHeight();
    bar->setBarGeometry(QRect(14, 10, std::max(0, width - 28), barH));
    return 10 + barH + 8;
}

void WorkspaceChrome::paintEvent(QPaintEvent* event)
{
    paintBackdrop(this, event->region());
}

void WorkspaceChrome::resizeEvent(QResizeEvent*)
{
    const int top = placeTitleBar(m_titleBar, width());
    const int h = std::max(0, height() - top - 14);
    // The middle column stands on the leading side.
    const Mirror m(*this);
    m.place(m_middle, QRect(14, top, middleWidth(), h));
    m.place(m_detail, QRect(14 + middleWidth() + 12, top, std::max(0, width() - 28 - middleWidth() - 12), h));
}

} // namespace tw
