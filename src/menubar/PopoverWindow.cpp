#include "menubar/PopoverWindow.h"

#include "state/Colour.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
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

// Sends a copy of key to target; whether target accepted it.
bool handKey(QWidget* target, const QKeyEvent* key)
{
    QKeyEvent handed(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), ushort(key->count()));
    QApplication::sendEvent(target, &handed);
    return handed.isAccepted();
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
        // A popup shown again focuses its content: a lent keyboard stays where it was.
        refocusLent(Qt::PopupFocusReason);
    }
    m_switching = false;
}

void PopoverWindow::setContent(QWidget* content)
{
    if (m_content)
        keyfocus::putAway(m_content);
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

void PopoverWindow::setCompanion(QWidget* companion)
{
    if (companion == m_companion)
        return;
    if (m_lent)
        endLoan();
    m_mouseTarget = nullptr;
    setKeyTarget(nullptr);
    m_going.clear();
    m_companion = companion;
}

void PopoverWindow::companionPartGoing(QWidget* part)
{
    auto inPart = [part](const QWidget* w) { return w && (w == part || part->isAncestorOf(w)); };
    if (inPart(m_mouseTarget))
        m_mouseTarget = nullptr;
    if (inPart(m_keyTarget))
        setKeyTarget(nullptr);
    if (m_lent && inPart(m_lentFocus))
        takeKeyboardBack(Qt::OtherFocusReason);
    if (part->parent() == m_companion && !m_going.contains(part))
        m_going << part;
}

bool PopoverWindow::partsGoing()
{
    // A part is gone once it is no child of the companion's any more.
    m_going.removeIf([this](const QObject* part) { return !m_companion || !m_companion->children().contains(part); });
    return !m_going.isEmpty();
}

bool PopoverWindow::lentFocusShown() const
{
    return m_lent && m_lentFocus && m_companion && m_companion->isAncestorOf(m_lentFocus) && m_lentFocus->isVisible();
}

bool PopoverWindow::refocusLent(Qt::FocusReason reason)
{
    if (!lentFocusShown())
        return false;
    if (!partsGoing()) {
        m_lentFocus->setFocus(reason);
        return true;
    }
    // A part may be in the middle of its deletion, the companion's tree not to be walked (a ring
    // placed): the focus comes back from the event loop, after it.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            if (lentFocusShown())
                m_lentFocus->setFocus(reason);
        },
        Qt::QueuedConnection);
    return true;
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
        // A press on what takes no focus (the background, a card) leaves the typing where it went.
        if (focus) {
            focus->setFocus(Qt::MouseFocusReason);
            setKeyTarget(focus->testAttribute(Qt::WA_InputMethodEnabled) ? focus : nullptr);
        }
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
    m_keyTarget = target;
    watchApplication();
}

void PopoverWindow::watchApplication()
{
    qApp->removeEventFilter(this);
    if (m_keyTarget || m_lent)
        qApp->installEventFilter(this);
}

bool PopoverWindow::lendKeyboard(QWidget* stop, Qt::FocusReason reason)
{
    if (!isVisible() || !m_companion || !m_companion->isVisible() || !stop || !m_companion->isAncestorOf(stop))
        return false;
    setKeyTarget(nullptr);
    m_lent = true;
    keyfocus::shareActivation(m_companion, true);
    watchApplication();
    stop->setFocus(reason);
    m_lentFocus = stop;
    // Without the kit's style the companion cannot hold the focus: the keyboard stays here.
    if (!stop->hasFocus()) {
        endLoan();
        return false;
    }
    return true;
}

void PopoverWindow::takeKeyboardBack(Qt::FocusReason reason)
{
    if (!m_lent)
        return;
    if (reason != Qt::MouseFocusReason && m_content && isVisible()) {
        // Pinned, the companion became the active window when it took the focus.
        if (!isActiveWindow())
            activateWindow();
        m_content->setFocus(reason);
    }
    endLoan();
}

void PopoverWindow::endLoan()
{
    m_lent = false;
    m_lentFocus = nullptr;
    if (m_companion) {
        if (QWidget* focus = QApplication::focusWidget(); focus && m_companion->isAncestorOf(focus))
            focus->clearFocus();
        keyfocus::shareActivation(m_companion, false);
    }
    watchApplication();
}

bool PopoverWindow::lentKey(QKeyEvent* key, bool atCompanion)
{
    QWidget* target = m_lentFocus;
    if (!target || !target->isVisible()) {
        takeKeyboardBack(Qt::OtherFocusReason);
        return false;
    }
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (key->type() == QEvent::KeyPress && modifiers == Qt::NoModifier) {
        if (key->key() == Qt::Key_Escape) {
            takeKeyboardBack(Qt::OtherFocusReason);
            return true;
        }
        const bool back = key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if (back || key->key() == Qt::Key_Tab) {
            // Round the companion's stops; past either end, back to the content.
            const QList<QWidget*> stops = keyfocus::tabStops(m_companion);
            const qsizetype next = stops.indexOf(target) + (back ? -1 : 1);
            if (next >= 0 && next < stops.size()) {
                m_lentFocus = stops[next];
                stops[next]->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            } else {
                takeKeyboardBack(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            }
            return true;
        }
    }
    // A key the companion's own window received (pinned, it is active) goes its way.
    if (atCompanion)
        return false;
    key->setAccepted(handKey(target, key));
    return true;
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
    // Lent, every key goes to the companion's focus widget (see lentKey).
    const QEvent::Type type = event->type();
    if ((!m_keyTarget && !m_lent) || !isVisible() || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (m_lent && m_companion) {
        if (w == m_companion && type == QEvent::Hide) {
            takeKeyboardBack(Qt::OtherFocusReason);
            return false;
        }
        if (type == QEvent::FocusIn && m_companion->isAncestorOf(w)) {
            m_lentFocus = w;
            return false;
        }
        const auto reason = type == QEvent::FocusIn ? static_cast<QFocusEvent*>(event)->reason() : Qt::NoFocusReason;
        // A menu of the companion's closing focuses the content: the focus goes back to the companion.
        if (w->window() == this && reason == Qt::PopupFocusReason && refocusLent(reason))
            return true;
        // The popover brought forward (pinned) keeps the keyboard.
        if (w->window() == this && reason == Qt::ActiveWindowFocusReason)
            endLoan();
    }
    const bool atCompanion = m_lent && m_companion && w->window() == m_companion;
    if (w->window() != this && !atCompanion)
        return false;
    if (type == QEvent::MouseButtonPress && w != this && !atCompanion) {
        setKeyTarget(nullptr);
        takeKeyboardBack(Qt::MouseFocusReason);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_lent)
        return lentKey(key, atCompanion);
    if (!m_keyTarget || key->key() == Qt::Key_Escape)
        return false;
    handKey(m_keyTarget, key);
    return true;
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    m_mouseTarget = nullptr;
    setKeyTarget(nullptr);
    // Held for an alert, it hides only to come back: a lent keyboard stays lent.
    if (!m_switching && m_lent)
        endLoan();
    if (!m_switching && !event->spontaneous())
        emit hidden();
}

void PopoverWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
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
