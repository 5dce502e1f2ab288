#pragma once

#include <QFile>

namespace tw::test {

// The path of a shared library mapped into this process whose file name
// starts with name, or nothing.
inline QByteArray mappedFile(const QByteArray& name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    const QByteArray all = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
    if (!all.contains("libQt6Core"))  // no reading, no answer
        qFatal("/proc/self/maps could not be read");
    for (const QByteArray& line : all.split('\n'))
        if (const qsizetype slash = line.lastIndexOf('/'); slash >= 0 && line.mid(slash + 1).startsWith(name))
            return line.mid(line.indexOf('/'));
    return {};
}

// Whether a shared library whose file name starts with name is mapped into
// this process.
inline bool isMapped(const QByteArray& name)
{
    return !mappedFile(name).isEmpty();
}

} // namespace tw::test
