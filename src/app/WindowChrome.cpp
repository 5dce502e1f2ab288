#include "app/WindowChrome.h"

#include "state/MainWindowCloseGuard.h"
#include "state/SharedState.h"
#include "views/kit/NeonShapes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tw {

// ---- WindowChrome --------------------------------------------------------------

WindowChrome::WindowChrome(QWidget* window, qreal cornerRadius)
    : QObject(window)
    , m_window(window)
    , m_radius(cornerRadius)
{
    setObjectName(QStringLiteral("tw_windowChrome"));
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

bool WindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        updateMask();
        break;
    case QEvent::Hide:
        if (!event->spontaneous() && m_window->isWindow())
            m_hiddenAt = m_window->pos();
        break;
    case QEvent::Show:
        // Sent before the window is mapped.
        if (!event->spontaneous())
            comeBackInPlace();
        break;
    case QEvent::MouseButtonPress: {
        // Presses that no child took land here: the background moves the window.
        auto e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            break;
        if (QWindow* handle = m_window->windowHandle(); handle && handle->startSystemMove())
            return true;
        m_dragging = true;
        m_dragOffset = e->globalPosition().toPoint() - m_window->pos();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto e = static_cast<QMouseEvent*>(event);
            m_window->move(e->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace tw
