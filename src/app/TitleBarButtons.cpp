#include "app/TitleBarButtons.h"

#include "app/WindowChrome.h"
#include "state/MainWindowCloseGuard.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace tw {


// ---- TitleBarButton ---------------------------------------------------------------------

namespace {

constexpr int kSpacing = 8;
// The room around the discs that still counts as "over the group".
constexpr int kHoverRoom = 6;
// The first disc's top-left corner, from the window's leading top corner: in
// the sidebar card's empty head, above the first pill.
constexpr QPoint kFirstDisc(22, 24);

QColor rgb255(int r, int g, int b)
{
    return QColor(r, g, b);
}

} // namespace

TitleBarButton::TitleBarButton(Kind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    keyfocus::makeStop(this, focusring::kCapsule);
    setFixedSize(diameter(), diameter());
    static const char* const names[] = {"close", "minimise", "zoom"};
    setObjectName(QLatin1String(names[int(kind)]));
    static const char* const tips[] = {"Close", "Minimise", "Zoom"};
    setAccessibleName(QLatin1String(tips[int(kind)]));
}

QColor TitleBarButton::fillColour(Kind kind, bool active, bool pressed, AppAppearance a)
{
    QColor c;
    if (!active)
        c = isDark(a) ? rgb255(77, 77, 80) : rgb255(221, 221, 220);
    else if (kind == Kind::close)
        c = rgb255(255, 95, 87);
    else if (kind == Kind::minimise)
        c = rgb255(254, 188, 46);
    else
        c = rgb255(40, 200, 64);
    return pressed ? c.darker(125) : c;
}

QColor TitleBarButton::edgeColour(Kind kind, bool active, AppAppearance a)
{
    if (!active)
        return isDark(a) ? rgb255(98, 98, 102) : rgb255(200, 200, 199);
    switch (kind) {
    case Kind::close: return rgb255(224, 68, 62);
    case Kind::minimise: return rgb255(222, 161, 35);
    case Kind::zoom: return rgb255(26, 171, 41);
    }
    return {};
}

QColor TitleBarButton::symbolColour(Kind kind)
{
    switch (kind) {
    case Kind::close: return rgb255(77, 0, 0);
    case Kind::minimise: return rgb255(153, 87, 0);
    case Kind::zoom: return rgb255(0, 101, 0);
    }
    return {};
}

QPainterPath TitleBarButton::symbol(Kind kind)
{
    const qreal c = diameter() / 2.0;
    QPainterPath path;
    switch (kind) {
    case Kind::close: {
        // An x of two strokes, as filled outlines.
        QPainterPath strokes;
        const qreal r = 2.6;
        strokes.moveTo(c - r, c - r);
        strokes.lineTo(c + r, c + r);
        strokes.moveTo(c + r, c - r);
        strokes.lineTo(c - r, c + r);
        QPainterPathStroker stroker;
        stroker.setWidth(1.25);
        stroker.setCapStyle(Qt::RoundCap);
        path = stroker.createStroke(strokes);
        break;
    }
    case Kind::minimise:
        path.addRoundedRect(QRectF(c - 3.3, c - 0.65, 6.6, 1.3), 0.65, 0.65);
        break;
    case Kind::zoom:
        // Two corner triangles pointing away from each other.
        path.moveTo(c - 3, c - 3);
        path.lineTo(c + 1.4, c - 3);
        path.lineTo(c - 3, c + 1.4);
        path.closeSubpath();
        path.moveTo(c + 3, c + 3);
        path.lineTo(c - 1.4, c + 3);
        path.lineTo(c + 3, c - 1.4);
        path.closeSubpath();
        break;
    }
    return path;
}

void TitleBarButton::paintEvent(QPaintEvent*)
{
    auto* group = qobject_cast<TitleBarButtons*>(parentWidget());
    const bool active = !group || group->isWindowActive() || (group->isHovered() && isEnabled());
    // The symbol shows under the pointer, and on the button the keyboard is on.
    const bool hovered = isEnabled() && ((group && group->isHovered()) || hasFocus());
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(0.5, 0.5, diameter() - 1, diameter() - 1);
    p.setPen(QPen(edgeColour(m_kind, active, a), 1));
    p.setBrush(fillColour(m_kind, active, isDown(), a));
    p.drawEllipse(disc);
    if (hovered)
        p.fillPath(symbol(m_kind), symbolColour(m_kind));
}

// ---- TitleBarButtons --------------------------------------------------------------------

TitleBarButtons::TitleBarButtons(QWidget* parent)
    : NeonOverlay(parent)
{
    setObjectName(QStringLiteral("titleBarButtons"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kHoverRoom, kHoverRoom, kHoverRoom, kHoverRoom);
    row->setSpacing(kSpacing);
    for (TitleBarButton::Kind kind :
         {TitleBarButton::Kind::close, TitleBarButton::Kind::minimise, TitleBarButton::Kind::zoom}) {
        auto* b = new TitleBarButton(kind, this);
        row->addWidget(b);
        m_buttons << b;
    }
    connect(button(TitleBarButton::Kind::close), &QAbstractButton::clicked, this, [this] {
        // As the window's own close button: the guard hides the window.
        if (SharedState* state = SharedState::current())
            state->closeGuard().hideMainWindow(button(TitleBarButton::Kind::close));
        else
            window()->hide();
    });
    // The window's chrome knows whether a window manager carries them out.
    connect(button(TitleBarButton::Kind::minimise), &QAbstractButton::clicked, this, [this] {
        if (WindowChrome* chrome = WindowChrome::of(window()))
            chrome->minimise();
    });
    connect(button(TitleBarButton::Kind::zoom), &QAbstractButton::clicked, this, [this] {
        if (WindowChrome* chrome = WindowChrome::of(window()))
            chrome->zoom();
    });
    onThemeChange(this, [this] { update(); });
    place();
}

TitleBarButton* TitleBarButtons::button(TitleBarButton::Kind kind) const
{
    return m_buttons.value(int(kind));
}

bool TitleBarButtons::isWindowActive() const
{
    return window()->isActiveWindow();
}

QRect TitleBarButtons::placement(int windowWidth, Qt::LayoutDirection direction)
{
    const int d = TitleBarButton::diameter();
    const QSize size(3 * d + 2 * kSpacing + 2 * kHoverRoom, d + 2 * kHoverRoom);
    const QPoint topLeft = kFirstDisc - QPoint(kHoverRoom, kHoverRoom);
    return Mirror(direction, QRect(0, 0, windowWidth, 1))(QRect(topLeft, size));
}

QRegion TitleBarButtons::paintedRegion() const
{
    // The discs, and the focus ring about one of them.
    QRegion painted;
    for (const QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            painted += w->geometry();
    return painted;
}

void TitleBarButtons::place()
{
    setGeometry(placement(window()->width(), layoutDirection()));
}

void TitleBarButtons::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    for (TitleBarButton* b : std::as_const(m_buttons))
        b->update();
}

bool TitleBarButtons::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter: setHovered(true); break;
    case QEvent::Leave: setHovered(false); break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        for (TitleBarButton* b : std::as_const(m_buttons))
            b->update();
        break;
    case QEvent::LayoutDirectionChange:
        // The row mirrors too (close outermost), though its size stays.
        layout()->invalidate();
        layout()->activate();
        place();
        break;
    default: break;
    }
    return NeonOverlay::event(event);
}

} // namespace tw
