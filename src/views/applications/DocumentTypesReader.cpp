#include "views/applications/DocumentTypesReader.h"

#include "engine/inventory/AppRecord.h"
#include "platform/Delivery.h"

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
    const FileSystem* fs = &m_fs;
    runInBackground(
        this, [fs, bundlePath] { return record::documentTypeExtensions(*fs, bundlePath); },
        [this, generation](QStringList found) {
            if (generation != m_generation)
                return;  // a newer request is on its way
            m_extensions = std::move(found);
            m_ready = true;
            emit ready();
        });
}

} // namespace tw
