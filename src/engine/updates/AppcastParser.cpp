// Reading an update feed: its character data, the block of its first item,
// and the values of the version and download forms in that block. Scanned by
// hand, each step linear in the feed's length, with the results these
// case-insensitive patterns would give (first match, first capture):
//   display version  sparkle:shortVersionString\s*>\s*([^<]+)
//                    <sparkle:shortVersionString>([^<]+)</sparkle:shortVersionString>
//                    sparkle:shortVersionString\s*=\s*"([^"]+)"
//   build version    sparkle:version\s*=\s*"([^"]+)"
//                    <sparkle:version>([^<]+)</sparkle:version>
//                    sparkle:version\s*>\s*([^<]+)
//   download         <enclosure[^>]*url\s*=\s*"([^"]+)"
//                    url\s*=\s*"([^"]+\.(dmg|zip|pkg|tar\.gz)[^"]*)"

#include "engine/updates/UpdateFeed.h"

namespace tw::appcast {

namespace {

using Capture = std::optional<QStringView>;

constexpr QLatin1StringView kDisplayVersion("sparkle:shortversionstring");
constexpr QLatin1StringView kBuildVersion("sparkle:version");

// Hands the text as XML reads it to take, piece by piece, until take returns
// false: comments left out, CDATA sections replaced by their content (in
// which "<!--" is text). A comment or section that never ends is kept as it
// stands.
template <typename Take>
void characterData(QStringView text, Take take)
{
    const QStringView comment = u"<!--", commentEnd = u"-->", cdata = u"<![CDATA[", cdataEnd = u"]]>";
    qsizetype kept = 0;  // the text before this index is dealt with
    qsizetype at = text.indexOf(u"<!");
    while (at >= 0) {
        const bool isCdata = text.sliced(at).startsWith(cdata);
        if (!isCdata && !text.sliced(at).startsWith(comment)) {
            at = text.indexOf(u"<!", at + 2);  // a declaration, or text
            continue;
        }
        const QStringView open = isCdata ? cdata : comment, close = isCdata ? cdataEnd : commentEnd;
        const qsizetype end = text.indexOf(close, at + open.size());
        if (end < 0)
            break;
        if (!take(text.sliced(kept, at - kept)))
            return;
        if (isCdata && !take(text.sliced(at + open.size(), end - at - open.size())))
            return;
        kept = end + close.size();
        at = text.indexOf(u"<!", kept);
    }
    take(text.sliced(kept));
}

// The block of the first item in the feed's character data: from "<item>"
// to the end of the first "</item>" after it, or all of it when either is
// missing. Nothing after the block is read.
QString firstItem(const QString& text)
{
    const QStringView openTag = u"<item>", closeTag = u"</item>";
    QString data;
    qsizetype open = -1, close = -1;
    characterData(text, [&](QStringView piece) {
        // A tag may begin in the pieces before this one.
        const qsizetype before = data.size();
        data += piece;
        if (open < 0)
            open = data.indexOf(openTag, std::max<qsizetype>(0, before - openTag.size() + 1), Qt::CaseInsensitive);
        if (open >= 0)
            close = data.indexOf(closeTag, std::max(open + openTag.size(), before - closeTag.size() + 1),
                                 Qt::CaseInsensitive);
        return close < 0;
    });
    return close < 0 ? data : data.sliced(open, close + closeTag.size() - open);
}

// The patterns' steps over one block. Letters compare as the patterns'
// case-insensitive matching does (the Kelvin sign is a k, the long s an s);
// white space is Unicode white space.
class Scanner {
public:
    explicit Scanner(QStringView text) : m_text(text) {}

    // name\s*>\s*([^<]+)
    Capture elementValue(QLatin1StringView name) const
    {
        for (qsizetype i = find(name, 0); i >= 0; i = find(name, i + 1)) {
            const qsizetype gt = skipSpace(i + name.size());
            if (!isChar(gt, u'>'))
                continue;
            const qsizetype value = skipSpace(gt + 1);
            if (value < m_text.size() && m_text[value] != u'<')
                return span(value, next(u'<', value));
            if (value > gt + 1)  // the spaces give back their last one
                return span(value - 1, value);
        }
        return std::nullopt;
    }

    // <name>([^<]+)</name>
    Capture taggedValue(QLatin1StringView name) const
    {
        for (qsizetype i = find(name, 1); i >= 0; i = find(name, i + 1)) {
            const qsizetype value = i + name.size() + 1;
            if (!isChar(i - 1, u'<') || !isChar(value - 1, u'>'))
                continue;
            const qsizetype end = next(u'<', value);
            if (end > value && isChar(end + 1, u'/') && at(end + 2, name) && isChar(end + 2 + name.size(), u'>'))
                return span(value, end);
        }
        return std::nullopt;
    }

    // name\s*=\s*"([^"]+)"
    Capture attributeValue(QLatin1StringView name) const
    {
        for (qsizetype i = find(name, 0); i >= 0; i = find(name, i + 1))
            if (const Capture value = quotedAfter(i + name.size()))
                return value;
        return std::nullopt;
    }

    // <enclosure[^>]*url\s*=\s*"([^"]+)"
    Capture enclosureURL() const
    {
        constexpr QLatin1StringView enclosure("<enclosure"), url("url");
        for (qsizetype s = find(enclosure, 0); s >= 0;) {
            // [^>]* runs to the first ">" and backs off to the last "url"
            // that leads to a quoted value.
            const qsizetype gt = next(u'>', s + enclosure.size());
            for (qsizetype j = gt - url.size(); j >= s + enclosure.size(); --j)
                if (at(j, url))
                    if (const Capture value = quotedAfter(j + url.size()))
                        return value;
            // A later enclosure before that ">" could only see a part of the same run.
            s = find(enclosure, gt);
        }
        return std::nullopt;
    }

    // url\s*=\s*"([^"]+\.(dmg|zip|pkg|tar\.gz)[^"]*)"
    Capture packageURL() const
    {
        constexpr QLatin1StringView url("url");
        for (qsizetype i = find(url, 0); i >= 0; i = find(url, i + 1)) {
            const Capture value = quotedAfter(i + url.size());
            if (!value)
                continue;
            const qsizetype start = value->data() - m_text.data();
            for (qsizetype k = start + 1; k < start + value->size(); ++k)
                if (m_text[k] == u'.' && isPackageExtension(k + 1))
                    return value;
        }
        return std::nullopt;
    }

private:
    static char16_t folded(QChar c)
    {
        const char16_t u = c.unicode();
        if (u < 0x80)
            return char16_t(u - u'A') < 26 ? char16_t(u + 0x20) : u;
        return c.toCaseFolded().unicode();
    }
    static bool isSpace(QChar c) { return c.isSpace() || c.unicode() == 0x180E; }

    bool isChar(qsizetype i, char16_t c) const { return i >= 0 && i < m_text.size() && m_text[i] == c; }
    // Whether word (lower case) stands at i.
    bool at(qsizetype i, QLatin1StringView word) const
    {
        if (i < 0 || i + word.size() > m_text.size())
            return false;
        for (qsizetype k = 0; k < word.size(); ++k)
            if (folded(m_text[i + k]) != char16_t(word[k].unicode()))
                return false;
        return true;
    }
    qsizetype find(QLatin1StringView word, qsizetype from) const
    {
        const char16_t first = char16_t(word.front().unicode());
        for (qsizetype i = from; i + word.size() <= m_text.size(); ++i)
            if (folded(m_text[i]) == first && at(i, word))
                return i;
        return -1;
    }
    qsizetype skipSpace(qsizetype i) const
    {
        while (i < m_text.size() && isSpace(m_text[i]))
            ++i;
        return i;
    }
    // The index of the next c from i on, or the end.
    qsizetype next(char16_t c, qsizetype i) const
    {
        const qsizetype found = m_text.indexOf(QChar(c), i);
        return found < 0 ? m_text.size() : found;
    }
    Capture span(qsizetype from, qsizetype to) const { return m_text.sliced(from, to - from); }

    // \s*=\s*"([^"]+)" from i on. Quotes open each value once, so the
    // searches for the closing one never cover the same text twice.
    Capture quotedAfter(qsizetype i) const
    {
        const qsizetype eq = skipSpace(i);
        if (!isChar(eq, u'='))
            return std::nullopt;
        const qsizetype quote = skipSpace(eq + 1);
        if (!isChar(quote, u'"'))
            return std::nullopt;
        const qsizetype end = next(u'"', quote + 1);
        if (end == quote + 1 || end == m_text.size())
            return std::nullopt;
        return span(quote + 1, end);
    }
    bool isPackageExtension(qsizetype i) const
    {
        for (const QLatin1StringView ext : {QLatin1StringView("dmg"), QLatin1StringView("zip"),
                                            QLatin1StringView("pkg"), QLatin1StringView("tar.gz")})
            if (at(i, ext))
                return true;
        return false;
    }

    QStringView m_text;
};

// The version's forms in the order they are tried: the display version's,
// then the build version's.
struct VersionForm {
    Capture (Scanner::*read)(QLatin1StringView) const;
    QLatin1StringView name;
};
constexpr VersionForm kVersionForms[] = {
    {&Scanner::elementValue, kDisplayVersion}, {&Scanner::taggedValue, kDisplayVersion},
    {&Scanner::attributeValue, kDisplayVersion}, {&Scanner::attributeValue, kBuildVersion},
    {&Scanner::taggedValue, kBuildVersion},    {&Scanner::elementValue, kBuildVersion},
};

} // namespace

AppcastInfo parseSparkleAppcast(const QString& text)
{
    // Only the first item is read: it is taken to be the newest.
    const QString block = firstItem(text);
    const Scanner scanner(block);
    AppcastInfo info;
    for (const auto& [read, name] : kVersionForms) {
        if (const Capture version = (scanner.*read)(name)) {
            info.version = version->trimmed().toString();
            break;
        }
    }
    Capture download = scanner.enclosureURL();
    if (!download)
        download = scanner.packageURL();
    if (download)
        info.downloadURL = strictURL(download->trimmed().toString());
    return info;
}

} // namespace tw::appcast
