#pragma once

#include "state/AppAppearance.h"
#include "views/kit/WorkspaceCard.h"

#include <QWidget>

namespace tw {

class WorkspaceTitleBar;

// The frame of every workspace: the title bar on top, then a 340-point middle
// column beside a detail column that takes the rest.
class WorkspaceChrome : public QWidget {
    Q_OBJECT
public:
    explicit WorkspaceChrome(const QString& title, QWidget* parent = nullptr);

    static constexpr int middleWidth() { return 340; }
    WorkspaceTitleBar* titleBar() const { return m_titleBar; }
    WorkspaceCard* middleCard() const { return m_middle; }
    WorkspaceCard* detailCard() const { return m_detail; }
    // Where a workspace puts its two columns' contents.
    QWidget* middle() const { return m_middle->content(); }
    QWidget* detail() const { return m_detail->content(); }

    static QColor background(AppAppearance a);
    // Shared by every workspace: paints the background and the glows of the
    // host's children where region needs it, and places a title bar across
    // the top of a workspace width wide, returning where the content starts.
    static void paintBackdrop(QWidget* host, const QRegion& region);
    static int placeTitleBar(WorkspaceTitleBar* bar, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    WorkspaceTitleBar* m_titleBar;
    WorkspaceCard* m_middle;
    WorkspaceCard* m_detail;
};

} // namespace tw
