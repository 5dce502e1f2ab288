#pragma once

#include "platform/FileSystem.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace tw {

// Reads the document types an application declares on the engine pool and
// hands them to the GUI thread, so a detail panel never waits on a file. Only
// the answer to the latest request is kept; a reader destroyed before an
// answer arrives simply never gets it.
class DocumentTypesReader : public QObject {
    Q_OBJECT
public:
    explicit DocumentTypesReader(const FileSystem& fs, QObject* parent = nullptr);

    // Starts reading the bundle's types; the previous answer is dropped.
    void read(const QString& bundlePath);
    const QString& bundlePath() const { return m_bundlePath; }
    // The sorted extensions of bundlePath(), each with its leading ".";
    // empty until ready() and for a bundle that declares none.
    const QStringList& extensions() const { return m_extensions; }
    bool isReady() const { return m_ready; }

signals:
    void ready();

private:
    const FileSystem& m_fs;
    QString m_bundlePath;
    QStringList m_extensions;
    quint64 m_generation = 0;
    bool m_ready = false;
};

} // namespace tw
