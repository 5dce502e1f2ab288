#include "menubar/PopoverWindow.h"

#include "state/Colour.h"
#include "state/Theme.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

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
    applyFlags();
}

void PopoverWindow::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    // Held, it does not take the focus from the alert it makes way for.
    setAttribute(Qt::WA_ShowWithoutActivating, held);
    applyFlags();
}

void PopoverWindow::applyFlags()
{
    const Qt::WindowFlags wanted = m_pinned || m_held ? kPinned : kPopup;
    if (windowFlags() == wanted)
        return;
    const bool shown = isVisible();
    const QRect frame = geometry();
    // A change of flags hides the window: no one is told.
    m_switching = true;
    setWindowFlags(wanted);
    if (shown) {
        setGeometry(frame);
        show();
    }
    m_switching = false;
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

void PopoverWindow::setCompanion(QWidget* companion)
{
    m_companion = companion;
}

bool PopoverWindow::overCompanion(const QPointF& global) const
{
    return !m_pinned && m_companion && m_companion->isVisible()
        && m_companion->frameGeometry().contains(global.toPoint());
}

bool PopoverWindow::forwardMouse(QMouseEvent* event)
{
    const QPointF global = event->globalPosition();
    QWidget* target = m_mouseTarget;
    if (!target) {
        if (!overCompanion(global))
            return false;
        target = m_companion->childAt(m_companion->mapFromGlobal(global.toPoint()));
        if (!target)
            target = m_companion;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        m_mouseTarget = target;
    if (event->type() == QEvent::MouseButtonPress) {
        // The focus a click gives, as the desktop's own press would; a text field then takes the typing.
        QWidget* focus = nullptr;
        for (QWidget* w = target; w; w = w->parentWidget()) {
            if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) {
                focus = w;
                break;
            }
            if (w->isWindow())
                break;
        }
        if (focus)
            focus->setFocus(Qt::MouseFocusReason);
        setKeyTarget(focus && focus->testAttribute(Qt::WA_InputMethodEnabled) ? focus : nullptr);
    }
    QMouseEvent handed(event->type(), target->mapFromGlobal(global), global, event->button(), event->buttons(),
                       event->modifiers(), event->pointingDevice());
    QApplication::sendEvent(target, &handed);
    if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton)
        m_mouseTarget = nullptr;
    event->accept();
    return true;
}

void PopoverWindow::setKeyTarget(QWidget* target)
{
    if (target == m_keyTarget)
        return;
    qApp->removeEventFilter(this);
    m_keyTarget = target;
    if (target)
        qApp->installEventFilter(this);
}

void PopoverWindow::mousePressEvent(QMouseEvent* event)
{
    if (isVisible() && !m_pinned && forwardMouse(event))
        return;
    setKeyTarget(nullptr);
    QWidget::mousePressEvent(event);
}

void PopoverWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_mouseTarget && forwardMouse(event))
        return;
    QWidget::mouseMoveEvent(event);
}

void PopoverWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_mouseTarget && forwardMouse(event))
        return;
    QWidget::mouseReleaseEvent(event);
}

void PopoverWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (isVisible() && !m_pinned && forwardMouse(event))
        return;
    QWidget::mouseDoubleClickEvent(event);
}

void PopoverWindow::wheelEvent(QWheelEvent* event)
{
    const QPointF global = event->globalPosition();
    if (!overCompanion(global))
        return QWidget::wheelEvent(event);
    event->accept();
    // The application drops wheel turns meant for other windows while a popup
    // is up, so the list under the pointer is scrolled here.
    QWidget* under = m_companion->childAt(m_companion->mapFromGlobal(global.toPoint()));
    QAbstractScrollArea* area = nullptr;
    for (QWidget* w = under; w && w != m_companion && !area; w = w->parentWidget())
        area = qobject_cast<QAbstractScrollArea*>(w);
    if (!area)
        return;
    const bool sideways = event->angleDelta().y() == 0 && event->pixelDelta().y() == 0;
    QScrollBar* bar = sideways ? area->horizontalScrollBar() : area->verticalScrollBar();
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const int pixelStep = sideways ? pixels.x() : pixels.y();
    const int angleStep = sideways ? angle.x() : angle.y();
    const int by = pixelStep != 0 ? -pixelStep
                                  : -qRound(angleStep / 120.0 * QApplication::wheelScrollLines() * bar->singleStep());
    bar->setValue(bar->value() + by);
}

bool PopoverWindow::eventFilter(QObject* watched, QEvent* event)
{
    // While the popup holds the keyboard, typing meant for the companion's field goes there;
    // Escape still closes the popup, and a press on the popup's own content takes the typing back.
    const QEvent::Type type = event->type();
    if (!m_keyTarget || !isVisible() || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != this)
        return false;
    if (type == QEvent::MouseButtonPress && w != this) {
        setKeyTarget(nullptr);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape)
        return false;
    QKeyEvent handed(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                     ushort(key->count()));
    QApplication::sendEvent(m_keyTarget, &handed);
    return true;
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    m_mouseTarget = nullptr;
    setKeyTarget(nullptr);
    if (!m_switching && !event->spontaneous())
        emit hidden();
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
