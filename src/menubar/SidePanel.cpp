#include "menubar/SidePanel.h"

#include "menubar/CategoryQuickPanel.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Symbols.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tw {

namespace {

// The window's own close button: a cross on a faint disc, stronger under the mouse.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent)
        : QAbstractButton(parent)
    {
        setToolTip(QStringLiteral("Close"));
        setAccessibleName(QStringLiteral("Close"));
        keyfocus::makeStop(this, focusring::kCapsule);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = AppTheme::primaryText();
        p.setPen(Qt::NoPen);
        p.setBrush(faded(ink, isDown() ? 0.3 : underMouse() ? 0.2 : 0.1));
        p.drawEllipse(QRectF(rect()));
        Glyph cross{QStringLiteral("xmark"), 11, Tint::primary};
        cross.colour = faded(ink, 0.8);
        symbols::paint(p, QRectF(rect()), cross);
    }
};

} // namespace

SidePanel::SidePanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_close(new CloseButton(this))
{
    setObjectName(QStringLiteral("menuBarSidePanel"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    setFixedSize(CategoryQuickPanel::panelSize());
    m_close->setGeometry(9, 8, 18, 18);
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::close);
}

void SidePanel::setContent(QWidget* content)
{
    if (m_content) {
        emit contentGoing(m_content);
        keyfocus::putAway(m_content);
    }
    m_content = content;
    if (content) {
        keyfocus::markPane(content);
        content->setParent(this);
        content->setGeometry(rect());
        content->show();
    }
    m_close->raise();
}

void SidePanel::clearContent()
{
    if (m_content)
        emit contentGoing(m_content);
    delete m_content.data();
}

void SidePanel::setChrome(const QColor& colour)
{
    if (m_chrome == colour)
        return;
    m_chrome = colour;
    update();
}

void SidePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    neon::fillRoundedRect(p, rect(), CategoryQuickPanel::cornerRadius(), m_chrome);
}

void SidePanel::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

void SidePanel::changeEvent(QEvent* event)
{
    // Come forward with nothing focused, Qt would put the focus on the first
    // control, ring and all. Sharing the popover's activation is no coming
    // forward: the keyboard's loan places the focus then.
    if (event->type() == QEvent::ActivationChange && QApplication::activeWindow() == this && !focusWidget())
        setFocus(Qt::ActiveWindowFocusReason);
    QWidget::changeEvent(event);
}

void SidePanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    // It follows the mouse (see WindowDrag); where only the window system
    // places windows that moves it, except while the preview's popup holds
    // the mouse (the system cannot take it then).
    m_drag.press(event->globalPosition().toPoint(), {}, !QApplication::activePopupWidget());
}

void SidePanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.move(event))
        QWidget::mouseMoveEvent(event);
}

void SidePanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_drag.release())
        QWidget::mouseReleaseEvent(event);
}

} // namespace tw
