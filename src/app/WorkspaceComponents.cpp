#include "app/WorkspaceComponents.h"

#include "app/NeonBorder.h"
#include "app/SharedState.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

void onThemeChange(QObject* context, std::function<void()> f)
{
    if (SharedState* state = SharedState::current())
        QObject::connect(&state->theme(), &ThemeManager::appearanceChanged, context, [f = std::move(f)] { f(); });
}

namespace {

// How far shadows reach beyond the room a widget keeps around its shape.
QMargins beyondRoom(const QList<neon::Shadow>& shadows, int room)
{
    const QMargins m = neon::shadowExtent(shadows);
    return QMargins(std::max(0, m.left() - room), std::max(0, m.top() - room), std::max(0, m.right() - room),
                    std::max(0, m.bottom() - room));
}

} // namespace

// ---- NeonGlassPanel ----------------------------------------------------------------

NeonGlassPanel::NeonGlassPanel(QWidget* parent)
    : QWidget(parent)
    , m_content(new QWidget(this))
    , m_border(new ClockwiseNeonBorder(cornerRadius(), 1.8, 2.6, this))
{
    GlowHost::mark(this);
    m_border->setOpacity(0.55);
    onThemeChange(this, [this] { GlowHost::invalidate(this); });
}

void NeonGlassPanel::setCardGeometry(const QRect& card)
{
    setGeometry(card.adjusted(-glowRoom(), -glowRoom(), glowRoom(), glowRoom()));
}

QRect NeonGlassPanel::cardRect() const
{
    return rect().adjusted(glowRoom(), glowRoom(), -glowRoom(), -glowRoom());
}

QList<neon::Shadow> NeonGlassPanel::shadows(AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    return {{faded(glow, 0.85), 26, {0, 0}},
            {faded(glow, 0.55), 14, {0, 0}},
            {faded(AppTheme::neonHighlight(a), 0.65), 6, {0, 0}},
            {faded(Qt::black, 0.35), 12, {0, 8}}};
}

QImage NeonGlassPanel::body(QSize size, AppAppearance a, qreal dpr)
{
    return neon::cachedImage(QStringLiteral("glasspanel|") + rawValue(a), size, dpr, [&](QPainter& p) {
        const QRectF r(0, 0, size.width(), size.height());
        const qreal radius = cornerRadius();

        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setStops({{0.0, rgb(0.10, 0.22, 0.48, 0.55)},
                       {0.5, a == AppAppearance::indigo ? rgb(0.06, 0.09, 0.18, 0.82) : rgb(0.05, 0.10, 0.22, 0.88)},
                       {1.0, rgb(0.03, 0.06, 0.16, 0.92)}});
        neon::fillRoundedRect(p, r, radius, fill);

        // The sheen: from the top edge to the middle, screened over the fill.
        QLinearGradient sheen(r.topLeft(), QPointF(r.left(), r.center().y()));
        sheen.setStops({{0.0, faded(Qt::white, 0.14)}, {0.5, faded(Qt::white, 0.02)}, {1.0, QColor(255, 255, 255, 0)}});
        p.setCompositionMode(QPainter::CompositionMode_Screen);
        neon::fillRoundedRect(p, QRectF(r.left(), r.top(), r.width(), r.height() / 2 + radius), radius, sheen);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);

        const qreal edgeWidth = 2.2;
        QLinearGradient edge(r.topLeft(), r.bottomLeft());
        edge.setStops({{0.0, faded(Qt::white, 0.85)},
                       {1.0 / 3, AppTheme::neonHighlight(a)},
                       {2.0 / 3, neon::edgeColour(a)},
                       {1.0, faded(neon::edgeColour(a), 0.55)}});
        neon::strokeRoundedRectInside(p, r, radius, edgeWidth, edge);

        // The highlight line along the top.
        const QRectF line(18, 7, std::max<qreal>(0, r.width() - 36), 2);
        QLinearGradient shine(line.topLeft(), line.topRight());
        shine.setStops({{0.0, faded(Qt::white, 0.9)},
                        {0.5, faded(AppTheme::neonHighlight(a), 0.35)},
                        {1.0, QColor(255, 255, 255, 0)}});
        p.fillPath(neon::capsule(line), shine);
    });
}

void NeonGlassPanel::paintGlow(QPainter& p)
{
    // The glass is translucent (0.55 to 0.92); its shadows are scaled by its mean opacity.
    neon::paintRoundedRectShadows(p, QRectF(cardRect()), cornerRadius(), shadows(AppTheme::appearance()), 0.78);
}

QMargins NeonGlassPanel::glowExtent() const
{
    return beyondRoom(shadows(AppTheme::appearance()), glowRoom());
}

void NeonGlassPanel::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect card = cardRect();
    neon::drawImage(p, card.topLeft(), body(card.size(), AppTheme::appearance(), devicePixelRatioF()));
    GlowHost::paint(this, p, event->region());
}

void NeonGlassPanel::resizeEvent(QResizeEvent*)
{
    m_content->setGeometry(cardRect());
    m_border->setGeometry(rect());
    m_border->raise();
}

void NeonGlassPanel::showEvent(QShowEvent*)
{
    GlowHost::attach(this);
}

// ---- NeonPillButton -----------------------------------------------------------------

NeonPillButton::NeonPillButton(const QString& title, SidebarGlyph glyph, bool selected, QWidget* parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
    , m_selected(selected)
{
    setText(title);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(QString());
    onThemeChange(this, [this] { GlowHost::invalidate(this); });
}

void NeonPillButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    GlowHost::invalidate(this);
}

QColor NeonPillButton::titleColour() const
{
    return m_selected ? QColor(Qt::white) : AppTheme::neonHighlight(AppTheme::appearance());
}

QColor NeonPillButton::glyphColour() const
{
    return m_selected ? QColor(Qt::white) : faded(AppTheme::neonHighlight(AppTheme::appearance()), 0.85);
}

QColor NeonPillButton::fillColour(bool selected, AppAppearance a)
{
    if (a == AppAppearance::indigo)
        return selected ? rgb(0.12, 0.28, 0.55, 0.55) : rgb(0.08, 0.12, 0.22, 0.85);
    return selected ? rgb(0.10, 0.35, 0.70, 0.55) : rgb(0.06, 0.14, 0.32, 0.75);
}

QList<neon::Shadow> NeonPillButton::shadows(bool selected, AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    QList<neon::Shadow> s;
    if (selected)
        s.append({faded(glow, 0.65), 10, {0, 2}});
    else
        s.append({faded(glow, 0.18), 4, {0, 0}});
    s.append({faded(Qt::black, 0.25), 4, {0, 3}});
    return s;
}

QSize NeonPillButton::sizeHint() const
{
    const QFont font = neon::systemFont(12, QFont::DemiBold, true);
    const int advance = int(std::ceil(QFontMetricsF(font).horizontalAdvance(text())));
    return {14 + 20 + 9 + advance + 14, pillHeight()};
}

QSize NeonPillButton::minimumSizeHint() const
{
    return {14 + 20 + 14, pillHeight()};
}

QRectF NeonPillButton::titleRect() const
{
    const qreal x = 14 + 20 + 9;
    return QRectF(x, 0, std::max<qreal>(0, width() - x - 14), height());
}

QString NeonPillButton::shownTitle() const
{
    // Shaping text is costly; the pill repaints whenever a border near it turns.
    const qreal w = titleRect().width();
    if (w != m_elidedWidth || text() != m_elidedSource) {
        m_elidedWidth = w;
        m_elidedSource = text();
        m_elided = neon::elided(text(), neon::systemFont(12, QFont::DemiBold, true), w);
    }
    return m_elided;
}

QImage NeonPillButton::body() const
{
    const AppAppearance a = AppTheme::appearance();
    const QString key = QStringLiteral("pill|") + rawValue(a) + (m_selected ? u'S' : u'N');
    return neon::cachedImage(key, size(), devicePixelRatioF(), [&](QPainter& p) {
        const QRectF r(0, 0, width(), height());
        neon::fillRoundedRect(p, r, r.height() / 2, fillColour(m_selected, a));
        const QColor edge = neon::edgeColour(a);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        qreal w;
        if (m_selected) {
            g.setStops({{0.0, faded(Qt::white, 0.75)}, {0.5, edge}, {1.0, faded(edge, 0.5)}});
            w = 1.6;
        } else {
            g.setStops({{0.0, faded(Qt::white, 0.25)}, {0.5, faded(edge, 0.45)}, {1.0, faded(edge, 0.2)}});
            w = 1.1;
        }
        neon::strokeRoundedRectInside(p, r, r.height() / 2, w, g);
    });
}

void NeonPillButton::paintGlow(QPainter& p)
{
    const AppAppearance a = AppTheme::appearance();
    // The capsule's fill is translucent; its shadows are scaled by its opacity.
    neon::paintRoundedRectShadows(p, QRectF(rect()), height() / 2.0, shadows(m_selected, a),
                                  fillColour(m_selected, a).alphaF());
}

QMargins NeonPillButton::glowExtent() const
{
    return neon::shadowExtent(shadows(true, AppTheme::appearance()));
}

void NeonPillButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    neon::drawImage(p, QPointF(0, 0), body());
    const qreal dpr = devicePixelRatioF();
    const QImage icon = glyphImage(m_glyph, glyphColour(), 0.62, 20, dpr);
    p.drawImage(QPointF(14, (height() - 20) / 2.0), icon);
    p.setFont(neon::systemFont(12, QFont::DemiBold, true));
    p.setPen(titleColour());
    p.drawText(titleRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownTitle());
}

void NeonPillButton::showEvent(QShowEvent*)
{
    GlowHost::attach(this);
}

bool NeonPillButton::hitButton(const QPoint& pos) const
{
    return neon::capsule(QRectF(rect())).contains(QPointF(pos));
}

// ---- WorkspaceTitleBar ---------------------------------------------------------------

WorkspaceTitleBar::WorkspaceTitleBar(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_border(new ClockwiseNeonBorder(16, 1.6, 2.6, this))
{
    m_border->setOpacity(0.5);
    onThemeChange(this, [this] {
        update();
        GlowHost::invalidate(this);
    });
}

void WorkspaceTitleBar::setBarGeometry(const QRect& bar)
{
    setGeometry(bar.adjusted(-glowRoom(), -glowRoom(), glowRoom(), glowRoom()));
}

QRect WorkspaceTitleBar::barRect() const
{
    return rect().adjusted(glowRoom(), glowRoom(), -glowRoom(), -glowRoom());
}

int WorkspaceTitleBar::barHeight()
{
    return 12 + int(std::ceil(QFontMetricsF(neon::systemFont(22, QFont::DemiBold)).height())) + 12;
}

QColor WorkspaceTitleBar::titleColour(AppAppearance a)
{
    return a == AppAppearance::classic ? rgb(0.10, 0.22, 0.48) : QColor(Qt::white);
}

QList<QColor> WorkspaceTitleBar::barFill(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return {rgb(0.08, 0.16, 0.34), rgb(0.04, 0.08, 0.18), rgb(0.03, 0.06, 0.14)};
    case AppAppearance::classic: return {rgb(0.88, 0.93, 1.0), rgb(0.78, 0.88, 0.98), rgb(0.72, 0.84, 0.96)};
    case AppAppearance::indigo: return {rgb(0.10, 0.16, 0.32), rgb(0.05, 0.08, 0.16), rgb(0.03, 0.04, 0.10)};
    }
    return {};
}

QList<neon::Shadow> WorkspaceTitleBar::shadows(AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    return {{faded(glow, 0.8), 16, {0, 0}},
            {faded(glow, 0.5), 28, {0, 4}},
            {faded(Qt::black, a == AppAppearance::classic ? 0.12 : 0.35), 8, {0, 4}}};
}

QImage WorkspaceTitleBar::body() const
{
    const AppAppearance a = AppTheme::appearance();
    const QRect bar = barRect();
    const QString key = QStringLiteral("titlebar|") + rawValue(a) + u'|' + m_title;
    return neon::cachedImage(key, bar.size(), devicePixelRatioF(), [&](QPainter& p) {
        const QRectF r(0, 0, bar.width(), bar.height());
        const QList<QColor> fill = barFill(a);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setStops({{0.0, fill[0]}, {0.5, fill[1]}, {1.0, fill[2]}});
        neon::fillRoundedRect(p, r, 16, g);

        const QColor accent = AppTheme::neonHighlight(a);
        const QColor edge = neon::edgeColour(a);
        QLinearGradient e(r.topLeft(), r.bottomRight());
        e.setStops({{0.0, faded(accent, 0.95)}, {0.5, edge}, {1.0, faded(edge, 0.5)}});
        neon::strokeRoundedRectInside(p, r, 16, 1.8, e);

        p.setClipRect(r.adjusted(2, 2, -2, -2));
        const QFont font = neon::systemFont(22, QFont::DemiBold);
        const QRectF textRect(18, 0, std::max<qreal>(0, r.width() - 36 - 8), r.height());
        const QColor glow = AppTheme::neonGlow(a);
        neon::paintGlowingText(p, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                               neon::elided(m_title, font, textRect.width()), font, titleColour(a),
                               {{faded(glow, 0.7), 10, {0, 0}}, {faded(glow, 0.35), 18, {0, 0}}});
    });
}

void WorkspaceTitleBar::paintGlow(QPainter& p)
{
    neon::paintRoundedRectShadows(p, QRectF(barRect()), 16, shadows(AppTheme::appearance()));
}

QMargins WorkspaceTitleBar::glowExtent() const
{
    return beyondRoom(shadows(AppTheme::appearance()), glowRoom());
}

void WorkspaceTitleBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    neon::drawImage(p, barRect().topLeft(), body());
}

void WorkspaceTitleBar::resizeEvent(QResizeEvent*)
{
    m_border->setGeometry(rect());
}

void WorkspaceTitleBar::showEvent(QShowEvent*)
{
    GlowHost::attach(this);
}

// ---- WorkspaceCard --------------------------------------------------------------------

WorkspaceCard::WorkspaceCard(QWidget* parent)
    : QWidget(parent)
    , m_content(new QWidget(this))
{
    onThemeChange(this, [this] {
        layoutContent();
        update();
        GlowHost::invalidate(this);
    });
}

qreal WorkspaceCard::radius(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return 10;
    case AppAppearance::classic: return 8;
    case AppAppearance::indigo: return 18;
    }
    return 10;
}

int WorkspaceCard::contentInset(AppAppearance a)
{
    // A corner of radius r leaves a rectangle inset by r (1 - 1/sqrt 2) inside it.
    return int(std::ceil(radius(a) * (1 - M_SQRT1_2)));
}

void WorkspaceCard::layoutContent()
{
    const int inset = contentInset(AppTheme::appearance());
    m_content->setGeometry(rect().adjusted(inset, inset, -inset, -inset));
}

void WorkspaceCard::paintGlow(QPainter& p)
{
    const AppAppearance a = AppTheme::appearance();
    if (a != AppAppearance::indigo || !m_castsShadow)
        return;
    neon::paintRoundedRectShadows(p, QRectF(rect()), radius(a), {{faded(Qt::black, 0.35), 10, {0, 4}}});
}

QMargins WorkspaceCard::glowExtent() const
{
    return neon::shadowExtent({{faded(Qt::black, 0.35), 10, {0, 4}}});
}

void WorkspaceCard::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    neon::fillRoundedRect(p, r, radius(a), AppTheme::cardFill(a));
    neon::strokeRoundedRectInside(p, r, radius(a), 1, AppTheme::cardStroke(a));
}

void WorkspaceCard::resizeEvent(QResizeEvent*)
{
    layoutContent();
}

void WorkspaceCard::showEvent(QShowEvent*)
{
    GlowHost::attach(this);
}

// ---- WorkspaceChrome --------------------------------------------------------------------

WorkspaceChrome::WorkspaceChrome(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_titleBar(new WorkspaceTitleBar(title, this))
    , m_middle(new WorkspaceCard(this))
    , m_detail(new WorkspaceCard(this))
{
    GlowHost::mark(this);
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
    GlowHost::paint(host, p, region);
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
    m_middle->setGeometry(14, top, middleWidth(), h);
    m_detail->setGeometry(14 + middleWidth() + 12, top, std::max(0, width() - 28 - middleWidth() - 12), h);
}

} // namespace tw
