#pragma once

#include "views/kit/TypeScale.h"

#include <QAbstractButton>
#include <QFont>
#include <QStringList>

class QMenu;

namespace tw {

// A borderless pull-down: the current choice's title and a chevron; a click
// opens one entry per choice. chosen(index) follows a choice; the owner sets
// what is shown. Its width is the widest choice's, so it keeps its place,
// unless it fills a box.
class PullDownButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PullDownButton(const QStringList& choices, TextRole role = TextRole::body, QWidget* parent = nullptr);

    int current() const { return m_current; }
    void setCurrent(int index);
    // Makes it a picker filling a box its owner draws about it (corners of
    // radius): the choice at the leading side, up and down chevrons at the
    // trailing one, and the focus ring inside the box.
    void fillBox(const QSize& box, qreal radius);
    QMenu* menu() const { return m_menu; }
    QSize sizeHint() const override;

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_choices;
    QFont m_font;
    int m_current = 0;
    bool m_boxed = false;
    QMenu* m_menu;
};

} // namespace tw
