#include "views/applications/QueuedInput.h"

#include <QCoreApplication>
#include <QEvent>

namespace tw {

void dropQueuedInput()
{
    struct Filter : QObject {
        bool eventFilter(QObject*, QEvent* e) override
        {
            switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
                return true;
            default:
                return false;
            }
        }
    } filter;
    QCoreApplication::instance()->installEventFilter(&filter);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&filter);
}

} // namespace tw
