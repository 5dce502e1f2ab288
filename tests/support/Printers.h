#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "platform/Result.h"

#include <optional>
#include <ostream>

// Readable gtest output for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
inline void PrintTo(const QUrl& u, std::ostream* os) { *os << u.toString().toStdString(); }
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.width() << 'x' << r.height() << " at (" << r.x() << ", " << r.y() << ')';
}

namespace tw {
inline void PrintTo(const Error& e, std::ostream* os)
{
    *os << e.domain.toStdString() << ' ' << e.code << " \"" << e.description.toStdString() << '"';
}
inline void PrintTo(const Status& s, std::ostream* os)
{
    if (s)
        *os << "ok";
    else
        PrintTo(s.error(), os);
}
} // namespace tw
