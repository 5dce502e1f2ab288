#pragma once

#include <QDir>
#include <QFile>

namespace tw::test {

// Threads of Qt's pools this process still has, ending or not.
inline int pooledThreads()
{
    int count = 0;
    for (const QString& tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        count += comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("Thread (pooled)");
    }
    return count;
}

} // namespace tw::test
