#include "platform/ThreadPool.h"

#include <QThread>

namespace tw {

QThreadPool& enginePool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(QThread::idealThreadCount());
        return p;
    }();
    return *pool;
}

} // namespace tw
