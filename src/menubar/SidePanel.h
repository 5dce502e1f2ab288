#pragma once

#include "views/kit/WindowDrag.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>
#include <QWidget>

namespace tw {

// The floating window beside the status item that holds one category's
// quick panel: frameless, 460 x 420, above other windows, shown without
// taking the focus, moved by dragging its background. Its close button
// closes it (closed() is sent); hide() only puts it away. The keyboard
// reaches it through the popover (PopoverWindow::lendKeyboard): its close
// button comes first, then the pane's controls. Coming forward with nothing
// focused, it holds the focus itself until Tab moves it.
class SidePanel : public QWidget {
    Q_OBJECT
public:
    explicit SidePanel(QWidget* parent = nullptr);

    // Replaces the content (the old one goes once control returns to the event loop).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    // Deletes the content now (never from inside one of its own calls).
    void clearContent();
    QAbstractButton* closeButton() const { return m_close; }

    // The colour beneath the content.
    QColor chrome() const { return m_chrome; }
    void setChrome(const QColor& colour);

signals:
    void closed();
    // The content is put away for good (replaced or cleared) and deleted
    // soon: what others keep of it has to go now, while it is whole.
    void contentGoing(QWidget* content);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<QWidget> m_content;
    QAbstractButton* m_close;
    QColor m_chrome;
    WindowDrag m_drag{this};
};

} // namespace tw
