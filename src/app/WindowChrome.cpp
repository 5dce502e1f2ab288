#include "app/WindowChrome.h"

#include "app/WindowFrame.h"
#include "platform/WindowManager.h"
#include "state/MainWindowCloseGuard.h"
#include "state/SharedState.h"
#include "views/kit/NeonShapes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace tw {

// ---- WindowChrome --------------------------------------------------------------

WindowChrome::WindowChrome(QWidget* window, qreal cornerRadius)
    : QObject(window)
    , m_window(window)
    , m_radius(cornerRadius)
    , m_drag(window)
{
    setObjectName(QStringLiteral("tw_windowChrome"));
    m_drag.setHeld([this] { return zoomedItself(); });
}

WindowChrome* WindowChrome::of(const QWidget* window)
{
    return window ? window->findChild<WindowChrome*>(QStringLiteral("tw_windowChrome"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

WindowChrome* WindowChrome::install(QWidget* window, qreal cornerRadius)
{
    if (!window)
        return nullptr;
    if (WindowChrome* existing = of(window))
        return existing;
    auto chrome = new WindowChrome(window, cornerRadius);
    if (SharedState* state = SharedState::current()) {
        state->closeGuard().attach(window);
        ThemeManager& theme = state->theme();
        chrome->m_appearance = theme.appearance();
        connect(&theme, &ThemeManager::appearanceChanged, chrome, &WindowChrome::setAppearance);
    }
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    window->setAttribute(Qt::WA_TranslucentBackground, true);
    window->setPalette(paletteFor(chrome->m_appearance));
    window->installEventFilter(chrome);
    chrome->updateMask();
    chrome->watchHandle();
    return chrome;
}

void WindowChrome::setAppearance(AppAppearance appearance)
{
    m_appearance = appearance;
    m_window->setPalette(paletteFor(appearance));
    m_window->update();
}

QPalette WindowChrome::paletteFor(AppAppearance a)
{
    QPalette p;
    const QColor text = AppTheme::primaryText(a);
    p.setColor(QPalette::Window, AppTheme::panelBase(a));
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, AppTheme::cardFill(a));
    p.setColor(QPalette::AlternateBase, AppTheme::panelBase(a));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, AppTheme::cardFill(a));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, isDark(a) ? QColor(Qt::white) : QColor(Qt::black));
    p.setColor(QPalette::Highlight, AppTheme::accent(a));
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::PlaceholderText, AppTheme::secondaryText(a));
    p.setColor(QPalette::ToolTipBase, AppTheme::cardFill(a));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Link, AppTheme::accent(a));
    return p;
}

void WindowChrome::updateMask()
{
    const QRect r = m_window->rect();
    if (r.isEmpty())
        return;
    m_window->setMask(QRegion(neon::roundedRect(r, m_radius).toFillPolygon().toPolygon()));
}

void WindowChrome::comeBackInPlace()
{
    const std::optional<QPoint> place = std::exchange(m_hiddenAt, std::nullopt);
    // A move while it was hidden is the program's own choice and stands.
    if (!place || m_window->pos() != *place)
        return;
    m_window->move(*place);
    if (QWindow* handle = m_window->windowHandle())
        handle->setFramePosition(*place);
}

void WindowChrome::placeFirstShow()
{
    // Placed once, it has been moved.
    if (m_window->testAttribute(Qt::WA_Moved) || windowManaged()())
        return;
    const QScreen* screen = m_window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect r(QPoint(0, 0), m_window->size());
    r.moveCenter(area.center());
    m_window->move(std::max(r.left(), area.left()), std::max(r.top(), area.top()));
}

std::function<bool()>& WindowChrome::windowManaged()
{
    static std::function<bool()> managed = windowManagerRuns;
    return managed;
}

void WindowChrome::zoom()
{
    if (windowManaged()()) {
        if (m_window->isMaximized())
            m_window->showNormal();
        else
            m_window->showMaximized();
        return;
    }
    if (zoomedItself()) {
        m_window->setGeometry(*std::exchange(m_unzoomed, std::nullopt));
        return;
    }
    const QScreen* screen = m_window->screen();
    if (!screen)
        return;
    m_unzoomed = m_window->geometry();
    m_window->setGeometry(screen->availableGeometry());
    m_zoomed = m_window->geometry();
}

bool WindowChrome::zoomedItself() const
{
    return m_unzoomed && m_window->geometry() == m_zoomed;
}

void WindowChrome::minimise()
{
    if (windowManaged()())
        m_window->showMinimized();
}

void WindowChrome::watchHandle()
{
    QWindow* handle = m_window->windowHandle();
    if (handle == m_handle)
        return;
    if (m_handle)
        m_handle->removeEventFilter(this);
    m_handle = handle;
    if (handle)
        handle->installEventFilter(this);
}

Qt::Edges WindowChrome::resizeEdgesAt(QPoint point) const
{
    if (m_drag.held() || m_window->minimumSize() == m_window->maximumSize())
        return {};
    return windowframe::resizeEdges(point, m_window->size(), windowframe::resizeBorder);
}

void WindowChrome::showEdges(Qt::Edges edges)
{
    if (edges == m_shownEdges)
        return;
    m_shownEdges = edges;
    if (!edges) {
        // The widget under the pointer shows its own again.
        m_window->unsetCursor();
        return;
    }
    const QCursor cursor(windowframe::cursorFor(edges));
    m_window->setCursor(cursor);
    // Over a child with a pointer of its own, too.
    if (m_handle)
        m_handle->setCursor(cursor);
}

bool WindowChrome::frameEvent(QEvent* event)
{
    // The band lies over the content: the native window's events are seen
    // here before Qt hands them to the widget under the pointer.
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto e = static_cast<QMouseEvent*>(event);
        // A drag's moves, from the band or the background, go no further.
        if (m_drag.move(e))
            return true;
        if (e->buttons() != Qt::NoButton)
            return false;
        const Qt::Edges edges = resizeEdgesAt(e->position().toPoint());
        showEdges(edges);
        return bool(edges);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto e = static_cast<QMouseEvent*>(event);
        const Qt::Edges edges = resizeEdgesAt(e->position().toPoint());
        if (!edges || e->button() != Qt::LeftButton)
            return false;
        // The program's own resize, or the window system's where only it
        // places windows, from the first move past the drag distance.
        if (event->type() == QEvent::MouseButtonPress && !m_drag.edges())
            m_drag.press(e->globalPosition().toPoint(), edges);
        return true;
    }
    case QEvent::MouseButtonRelease:
        // The band's press went no further, nor does its release.
        if (m_drag.edges() && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            m_drag.release();
            return true;
        }
        return false;
    case QEvent::Leave:
        if (!m_drag.edges())
            showEdges({});
        return false;
    default:
        return false;
    }
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_handle)
        return frameEvent(event);
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        updateMask();
        break;
    case QEvent::WinIdChange:
        watchHandle();
        break;
    case QEvent::Hide:
        if (!event->spontaneous() && m_window->isWindow())
            m_hiddenAt = m_window->pos();
        break;
    case QEvent::Show:
        // Sent before the window is mapped.
        if (!event->spontaneous()) {
            watchHandle();
            comeBackInPlace();
            placeFirstShow();
        }
        break;
    case QEvent::MouseButtonPress: {
        // Presses that no child took land here: the background moves the window.
        auto e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            break;
        m_drag.press(e->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        // Those sent to the widgets themselves (the native window's stop at the band's filter).
        return m_drag.move(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return m_drag.release();
    default:
        break;
    }
    return false;
}

} // namespace tw
