#include "menubar/PopoverWindow.h"

#include "app/state/Colour.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonPaint.h"

#include <QCloseEvent>
#include <QPainter>

namespace tw {

namespace {

constexpr Qt::WindowFlags kPopup = Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
constexpr Qt::WindowFlags kPinned =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint;

// A gradient given in the shape's own 0..1 coordinates, laid over rect.
QLinearGradient over(QLinearGradient g, const QRectF& rect)
{
    auto at = [&rect](QPointF p) { return rect.topLeft() + QPointF(p.x() * rect.width(), p.y() * rect.height()); };
    g.setCoordinateMode(QGradient::LogicalMode);
    g.setStart(at(g.start()));
    g.setFinalStop(at(g.finalStop()));
    return g;
}

} // namespace

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, kPopup)
    , m_border(new ClockwiseNeonBorder(cornerRadius(), 1.8, 2.6, this))
{
    setObjectName(QStringLiteral("quickPreviewPopover"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    m_border->setOpacity(0.55);
}

QColor PopoverWindow::borderTint(AppAppearance a)
{
    switch (a) {
    case AppAppearance::classic: return rgb(0.18, 0.68, 1.0);
    case AppAppearance::indigo: return rgb(0.45, 0.73, 1.0, 0.9);
    case AppAppearance::midnight: break;
    }
    return rgb(0.2, 0.72, 1.0);
}

void PopoverWindow::setPinned(bool pinned)
{
    if (pinned == m_pinned)
        return;
    m_pinned = pinned;
    m_dismissing = true;  // a change of flags hides the window
    setWindowFlags(pinned ? kPinned : kPopup);
    m_dismissing = false;
}

void PopoverWindow::setContent(QWidget* content)
{
    if (m_content) {
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = content;
    if (!content)
        return;
    if (content->parentWidget() != this)
        content->setParent(this);
    if (content->sizeHint().isValid())
        content->resize(content->sizeHint());
    content->move(0, 0);
    if (size() != content->size())
        resize(content->size());
    content->show();
    m_border->raise();
}

void PopoverWindow::clearContent()
{
    delete m_content.data();
}

QRect PopoverWindow::cardRect() const
{
    return rect().adjusted(margin(), margin(), -margin(), -margin());
}

void PopoverWindow::present(const QRect& frame)
{
    if (geometry() != frame)
        setGeometry(frame);
    show();
    // A popup takes the input by itself; the pinned window is brought forward.
    if (m_pinned) {
        raise();
        activateWindow();
    }
}

void PopoverWindow::dismiss()
{
    m_dismissing = true;
    hide();
    m_dismissing = false;
}

void PopoverWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!m_dismissing)
        emit dismissedOutside();
}

void PopoverWindow::resizeEvent(QResizeEvent*)
{
    if (m_border->shapeRect() != cardRect() || m_border->geometry().isEmpty())
        m_border->setShapeGeometry(cardRect());
}

void PopoverWindow::paintChrome(QPainter& p, const QRectF& card, AppAppearance a)
{
    const qreal r = cornerRadius();
    const QColor glow = AppTheme::neonGlow(a);
    neon::paintRoundedRectShadows(p, card, r, {{faded(glow, 0.8), 22, {}}, {faded(glow, 0.45), 12, {}}});
    // The dark themes' background is partly clear: it lies on the theme's
    // panel colour, not on the desktop.
    neon::fillRoundedRect(p, card, r, AppTheme::panelBase(a));
    neon::fillRoundedRect(p, card, r, over(AppTheme::menuBarPopupBackground(a), card));
    const QColor tint = borderTint(a);
    QLinearGradient edge(card.topLeft(), card.bottomRight());
    edge.setStops({{0, faded(AppTheme::neonHighlight(a), 0.95)}, {0.5, tint}, {1, faded(tint, 0.55)}});
    neon::strokeRoundedRectInside(p, card, r, 2, edge);
}

} // namespace tw
