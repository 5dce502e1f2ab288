#include "platform/Path.h"

#include <QList>
#include <QUuid>

#include <algorithm>

namespace tw::path {

namespace {

// An absolute path without "//", "." or ".." components and without a
// trailing slash: already in standard form.
bool isStandard(QStringView p)
{
    if (!p.startsWith(u'/') || (p.size() > 1 && p.endsWith(u'/')))
        return false;
    for (qsizetype i = 0; i + 1 < p.size(); ++i) {
        if (p[i] != u'/')
            continue;
        const QChar next = p[i + 1];
        if (next == u'/')
            return false;
        if (next == u'.') {
            const qsizetype end = (i + 2 < p.size() && p[i + 2] == u'.') ? i + 3 : i + 2;
            if (end >= p.size() || p[end] == u'/')
                return false;
        }
    }
    return true;
}

} // namespace

QString standardized(const QString& p)
{
    // Most paths already are: no copy is made of those.
    return isStandard(p) ? p : standardized(QStringView(p));
}

QString standardized(QStringView p)
{
    if (p.isEmpty())
        return {};
    const bool absolute = p.startsWith(u'/');
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == u'/') {
            const QStringView part = p.mid(start, i - start);
            start = i + 1;
            if (part.isEmpty() || part == u".")
                continue;
            if (part == u"..") {
                if (!parts.isEmpty() && parts.last() != u"..")
                    parts.removeLast();
                else if (!absolute)
                    parts.append(part);
                continue;
            }
            parts.append(part);
        }
    }
    QString out;
    out.reserve(p.size());
    for (const QStringView part : parts) {
        if (absolute || !out.isEmpty())
            out += u'/';
        out += part;
    }
    if (out.isEmpty())
        return absolute ? QStringLiteral("/") : QStringLiteral(".");
    return out;
}

QString lastComponent(QStringView p)
{
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    if (p == u"/")
        return {};
    const qsizetype slash = p.lastIndexOf(u'/');
    return p.mid(slash + 1).toString();
}

QString extension(QStringView p)
{
    const QString leaf = lastComponent(p);
    const qsizetype dot = leaf.lastIndexOf(u'.');
    if (dot <= 0 || dot == leaf.size() - 1)
        return {};
    return leaf.mid(dot + 1);
}

bool isAppBundle(QStringView p)
{
    return extension(p).compare(QLatin1String("app"), Qt::CaseInsensitive) == 0;
}

QString baseName(QStringView p)
{
    const QString leaf = lastComponent(p);
    const QString ext = extension(leaf);
    return ext.isEmpty() ? leaf : leaf.left(leaf.size() - ext.size() - 1);
}

QString deletingExtension(QStringView p)
{
    const QString ext = extension(p);
    QString s = p.toString();
    while (s.size() > 1 && s.endsWith(u'/'))
        s.chop(1);
    return ext.isEmpty() ? s : s.left(s.size() - ext.size() - 1);
}

namespace {

// The longest start of text whose UTF-8 form has at most maxBytes, cut
// between characters.
QString leadingBytes(const QString& text, qsizetype maxBytes)
{
    qsizetype bytes = 0, end = 0;
    while (end < text.size()) {
        const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text[end], text[end + 1]) : text[end].unicode();
        const qsizetype width = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + width > maxBytes)
            break;
        bytes += width;
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

QString trashName(const QString& name, int n)
{
    if (n == 0)
        return name;
    const QString tag = n <= 500 ? QString::number(n) : QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    QString ext = extension(name);
    // The base gives way to fit the file system's name limit; an extension
    // too long to keep goes with it.
    if (ext.toUtf8().size() + tag.size() + 3 > kMaxNameBytes)
        ext.clear();
    const QString base = ext.isEmpty() ? name : baseName(name);
    const QString suffix = QLatin1Char(' ') + tag + (ext.isEmpty() ? QString() : QLatin1Char('.') + ext);
    return leadingBytes(base, kMaxNameBytes - suffix.toUtf8().size()) + suffix;
}

QString parent(QStringView p)
{
    QString s = standardized(p);
    const qsizetype slash = s.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return s.left(slash);
}

std::pair<QString, QString> split(const QString& p)
{
    const qsizetype slash = p.lastIndexOf(u'/');
    if (slash < 0)
        return {QString(), p};
    return {slash == 0 ? QStringLiteral("/") : p.left(slash), p.mid(slash + 1)};
}

QString join(QStringView dir, QStringView name)
{
    if (dir.isEmpty())
        return name.toString();
    // One allocation of the final size.
    const bool slash = !dir.endsWith(u'/');
    QString out(dir.size() + (slash ? 1 : 0) + name.size(), Qt::Uninitialized);
    QChar* at = out.data();
    at = std::copy(dir.begin(), dir.end(), at);
    if (slash)
        *at++ = u'/';
    std::copy(name.begin(), name.end(), at);
    return out;
}

bool isInside(QStringView p, QStringView folder)
{
    if (folder == u"/")
        return p.size() > 1 && p.startsWith(u'/');
    return p.size() > folder.size() + 1 && p.startsWith(folder) && p[folder.size()] == u'/';
}

} // namespace tw::path
