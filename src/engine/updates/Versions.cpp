#include "engine/updates/Versions.h"

#include <algorithm>

namespace tw::versions {

QString cutAtSpace(QString text)
{
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space >= 0)
        text.truncate(space);
    return text;
}

std::vector<qint64> versionParts(const QString& text)
{
    const QString s = cutAtSpace(text.trimmed());
    std::vector<qint64> parts;
    QString piece;
    auto flush = [&] {
        bool ok = false;
        const qint64 value = piece.toLongLong(&ok);
        if (ok)
            parts.push_back(value);
        piece.clear();
    };
    for (const QChar c : std::as_const(s)) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            piece += c;
        else if (u == u'.' || u == u'_' || u == u'-')
            flush();
        // Every other character is dropped, so "1.2b3" reads as 1 and 23.
    }
    flush();
    return parts;
}

bool isVersion(const QString& version, const QString& newerThan)
{
    const std::vector<qint64> a = versionParts(version);
    const std::vector<qint64> b = versionParts(newerThan);
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qint64 x = i < a.size() ? a[i] : 0;
        const qint64 y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

} // namespace tw::versions
