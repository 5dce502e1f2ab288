#include "views/applications/DocumentTypesReader.h"

#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"

#include <QCoreApplication>
#include <QPointer>

namespace tw {

DocumentTypesReader::DocumentTypesReader(const FileSystem& fs, QObject* parent)
    : QObject(parent)
    , m_fs(fs)
{
}

void DocumentTypesReader::read(const QString& bundlePath)
{
    const quint64 generation = ++m_generation;
    m_bundlePath = bundlePath;
    m_extensions.clear();
    m_ready = false;
    QPointer<DocumentTypesReader> self(this);
    const FileSystem* fs = &m_fs;
    enginePool().start([self, fs, bundlePath, generation] {
        QStringList found = AppScanner::documentTypeExtensions(*fs, bundlePath);
        // The pointer is only looked at on the GUI thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, found = std::move(found)] {
                if (!self || self->m_generation != generation)
                    return;
                self->m_extensions = found;
                self->m_ready = true;
                emit self->ready();
            },
            Qt::QueuedConnection);
    });
}

} // namespace tw
