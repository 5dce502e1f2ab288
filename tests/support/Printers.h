#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <ostream>

// Readable gtest output for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
inline void PrintTo(const QUrl& u, std::ostream* os) { *os << u.toString().toStdString(); }
