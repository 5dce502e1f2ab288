#include "platform/PropertyListCheck.h"

#include "platform/PropertyList.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace tw::plist {

namespace {

using u64 = std::uint64_t;

u64 bigEndian(const unsigned char* p, int width)
{
    u64 v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | p[i];
    return v;
}

// A binary property list: "bplist00", the objects, a table of their offsets,
// and a 32-byte trailer giving the widths of offsets and references, the
// number of objects, the top object and where the table starts. Objects
// start with a marker byte: the type in the high nibble, a count or width
// in the low one (0xF: the count follows as an integer object).
class BinaryWalk {
public:
    explicit BinaryWalk(const QByteArray& data)
        : m_bytes(reinterpret_cast<const unsigned char*>(data.constData())), m_size(u64(data.size()))
    {
    }

    bool run()
    {
        if (!readTrailer())
            return false;
        m_pending.push_back({m_top, 0, false});
        while (!m_pending.empty()) {
            const Pending next = m_pending.back();
            m_pending.pop_back();
            if (++m_visits > u64(kMaxObjects) || !visit(next))
                return false;
        }
        return true;
    }

private:
    struct Pending {
        u64 index;
        int depth;  // containers above this object
        bool key;   // a dictionary key: must be a string
    };

    bool readTrailer()
    {
        if (m_size < 8 + 32 || m_size > u64(kMaxBytes) || std::memcmp(m_bytes, "bplist00", 8) != 0)
            return false;
        const unsigned char* t = m_bytes + m_size - 32;
        m_offsetWidth = t[6];
        m_refWidth = t[7];
        m_count = bigEndian(t + 8, 8);
        m_top = bigEndian(t + 16, 8);
        m_table = bigEndian(t + 24, 8);
        const u64 tableRoom = m_size - 32;
        return m_offsetWidth >= 1 && m_offsetWidth <= 8 && m_refWidth >= 1 && m_refWidth <= 8 && m_count >= 1
            && m_top < m_count && m_table > 8 && m_table <= tableRoom
            && m_count <= (tableRoom - m_table) / u64(m_offsetWidth);
    }

    // The count of the object at pos, whose marker's low nibble is nibble;
    // moves pos past an integer that follows.
    bool readCount(u64& pos, unsigned nibble, u64& count) const
    {
        if (nibble != 0xF) {
            count = nibble;
            return true;
        }
        if (pos >= m_table || (m_bytes[pos] & 0xF0) != 0x10 || (m_bytes[pos] & 0x0F) > 3)
            return false;
        const int width = 1 << (m_bytes[pos] & 0x0F);
        if (m_table - pos - 1 < u64(width))
            return false;
        count = bigEndian(m_bytes + pos + 1, width);
        pos += 1 + u64(width);
        return true;
    }

    // Whether count units of width bytes fit between pos and the table.
    bool fits(u64 pos, u64 count, u64 width) const { return pos <= m_table && count <= (m_table - pos) / width; }

    bool visit(const Pending& at)
    {
        const u64 offset = bigEndian(m_bytes + m_table + at.index * u64(m_offsetWidth), m_offsetWidth);
        if (offset < 8 || offset >= m_table)
            return false;
        const unsigned type = m_bytes[offset] >> 4, nibble = m_bytes[offset] & 0x0F;
        if (at.key && type != 0x5 && type != 0x6)
            return false;
        u64 pos = offset + 1;
        switch (type) {
        case 0x0:
            return nibble == 0x0 || nibble == 0x8 || nibble == 0x9 || nibble == 0xF;
        case 0x1:
            return nibble <= 4 && fits(pos, u64(1) << nibble, 1);
        case 0x2:
            return (nibble == 2 || nibble == 3) && fits(pos, u64(1) << nibble, 1);
        case 0x3:
            return nibble == 3 && fits(pos, 8, 1);
        case 0x8:
            return fits(pos, nibble + 1, 1);
        case 0x4:
        case 0x5:
        case 0x6:
            return payload(type, nibble, pos);
        case 0xA:
        case 0xC:
        case 0xD:
            return container(type, nibble, pos, at.depth);
        default:
            return false;
        }
    }

    // Data and strings: the bytes fit, count against the expansion budget,
    // and strings hold no NUL.
    bool payload(unsigned type, unsigned nibble, u64 pos)
    {
        u64 count = 0;
        const u64 width = type == 0x6 ? 2 : 1;
        if (!readCount(pos, nibble, count) || !fits(pos, count, width))
            return false;
        m_expanded += count * width;
        if (m_expanded > u64(kMaxExpandedBytes))
            return false;
        const unsigned char* p = m_bytes + pos;
        if (type == 0x5)
            return std::memchr(p, 0, count) == nullptr;
        if (type == 0x6) {
            for (u64 i = 0; i < count; ++i)
                if (p[2 * i] == 0 && p[2 * i + 1] == 0)
                    return false;
        }
        return true;
    }

    bool container(unsigned type, unsigned nibble, u64 pos, int depth)
    {
        u64 count = 0;
        if (!readCount(pos, nibble, count))
            return false;
        const u64 refs = type == 0xD ? 2 * count : count;
        if (depth + 1 > kMaxDepth || count > u64(kMaxObjects) || !fits(pos, refs, u64(m_refWidth))
            || m_visits + m_pending.size() + refs > u64(kMaxObjects))
            return false;
        for (u64 i = 0; i < refs; ++i) {
            const u64 ref = bigEndian(m_bytes + pos + i * u64(m_refWidth), m_refWidth);
            if (ref >= m_count)
                return false;
            m_pending.push_back({ref, depth + 1, type == 0xD && i < count});
        }
        return true;
    }

    const unsigned char* m_bytes;
    u64 m_size;
    int m_offsetWidth = 0, m_refWidth = 0;
    u64 m_count = 0, m_top = 0, m_table = 0;
    u64 m_visits = 0, m_expanded = 0;
    std::vector<Pending> m_pending;
};

bool startsWith(const char* p, const char* end, const char* text)
{
    const size_t n = std::strlen(text);
    return size_t(end - p) >= n && std::memcmp(p, text, n) == 0;
}

// Where text next starts at or after p, or nullptr.
const char* findText(const char* p, const char* end, const char* text)
{
    const size_t n = std::strlen(text);
    for (; size_t(end - p) >= n; ++p) {
        p = static_cast<const char*>(std::memchr(p, text[0], size_t(end - p)));
        if (!p || size_t(end - p) < n)
            return nullptr;
        if (std::memcmp(p, text, n) == 0)
            return p;
    }
    return nullptr;
}

// The '>' closing the tag at p, skipping quoted attribute values; nullptr if
// none. An internal DTD subset ('[' outside quotes) is refused the same way.
const char* tagEnd(const char* p, const char* end)
{
    char quote = 0;
    for (; p < end; ++p) {
        if (quote) {
            if (*p == quote)
                quote = 0;
        } else if (*p == '"' || *p == '\'') {
            quote = *p;
        } else if (*p == '[') {
            return nullptr;
        } else if (*p == '>') {
            return p;
        }
    }
    return nullptr;
}

// A decimal or hexadecimal digit's value; -1 for any other character.
int digitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A character reference "&#...;" at p names a character a string may hold:
// not NUL, not a surrogate, within Unicode.
bool acceptableReference(const char* p, const char* end)
{
    p += 2;
    const bool hex = p < end && (*p == 'x' || *p == 'X');
    if (hex)
        ++p;
    std::uint32_t value = 0;
    bool digits = false;
    for (; p < end; ++p) {
        const int d = digitValue(*p, hex);
        if (d < 0)
            break;
        digits = true;
        value = value * (hex ? 16 : 10) + std::uint32_t(d);
        if (value > 0x10FFFF)
            return false;
    }
    return !digits || (value != 0 && (value < 0xD800 || value > 0xDFFF));
}

// The character a reference at p ("&name;", "&#n;" or "&#xh;") stands for,
// as UTF-8, and where the reference ends; nullptr when it is malformed or
// names a character a string may not hold (NUL, a surrogate, beyond Unicode).
const char* decodeReference(const char* p, const char* end, char (&utf8)[4], int& length)
{
    const auto named = [&](const char* name, char c) {
        if (!startsWith(p, end, name))
            return false;
        utf8[0] = c;
        length = 1;
        p += std::strlen(name);
        return true;
    };
    switch (p + 1 < end ? p[1] : 0) {
    case 'a':
        return named("&amp;", '&') || named("&apos;", '\'') ? p : nullptr;
    case 'l':
        return named("&lt;", '<') ? p : nullptr;
    case 'g':
        return named("&gt;", '>') ? p : nullptr;
    case 'q':
        return named("&quot;", '"') ? p : nullptr;
    case '#':
        break;
    default:
        return nullptr;
    }
    if (!startsWith(p, end, "&#"))
        return nullptr;
    p += 2;
    const bool hex = p < end && (*p == 'x' || *p == 'X');
    if (hex)
        ++p;
    std::uint32_t value = 0;
    const char* digits = p;
    for (; p < end && *p != ';'; ++p) {
        const int d = digitValue(*p, hex);
        if (d < 0)
            return nullptr;
        value = value * (hex ? 16 : 10) + std::uint32_t(d);
        if (value > 0x10FFFF)
            return nullptr;
    }
    if (p == end || p == digits || value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return nullptr;
    if (value < 0x80) {
        utf8[0] = char(value);
        length = 1;
    } else if (value < 0x800) {
        utf8[0] = char(0xC0 | (value >> 6));
        utf8[1] = char(0x80 | (value & 0x3F));
        length = 2;
    } else if (value < 0x10000) {
        utf8[0] = char(0xE0 | (value >> 12));
        utf8[1] = char(0x80 | ((value >> 6) & 0x3F));
        utf8[2] = char(0x80 | (value & 0x3F));
        length = 3;
    } else {
        utf8[0] = char(0xF0 | (value >> 18));
        utf8[1] = char(0x80 | ((value >> 12) & 0x3F));
        utf8[2] = char(0x80 | ((value >> 6) & 0x3F));
        utf8[3] = char(0x80 | (value & 0x3F));
        length = 4;
    }
    return p + 1;
}

// Walks an XML list once. With an output buffer it also hands the parser
// string and key text with no references left: the parser unescapes each
// reference by moving the rest of its string, in time growing with the
// square of their number, so that text goes over decoded, as CDATA.
class XmlWalk {
public:
    explicit XmlWalk(QByteArray* out = nullptr) : m_out(out) {}

    bool run(const char* begin, const char* end)
    {
        const char* p = begin;
        m_copied = begin;
        // What follows the root element is not read, by the parser either.
        while (p && p < end && !m_rootClosed) {
            const char* next = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
            if (!text(p, next ? next : end))
                return false;
            p = next ? markup(next, end) : end;
        }
        if (!p)
            return false;
        if (m_out && !m_out->isEmpty())
            m_out->append(m_copied, end - m_copied);
        return true;
    }

private:
    struct Open {
        bool container;
        bool text;  // a string or a key, whose references the parser unescapes
    };

    // Character data between markup: its references.
    bool text(const char* p, const char* end)
    {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)));
        if (!amp)
            return true;
        if (m_out && !m_open.empty() && m_open.back().text)
            return decodeAsCData(p, end);
        for (const char* r = findText(amp, end, "&#"); r; r = findText(r + 2, end, "&#"))
            if (!acceptableReference(r, end))
                return false;
        return true;
    }

    // The text from p to end as one CDATA section, its references decoded.
    // A "]]>" in the text would end the section: it is closed and reopened
    // between the brackets and the '>'.
    bool decodeAsCData(const char* p, const char* end)
    {
        static constexpr char kOpen[] = "<![CDATA[", kSplit[] = "]]><![CDATA[";
        QByteArray& out = *m_out;
        out.append(m_copied, p - m_copied);
        const qsizetype start = out.size();
        // A byte of text becomes at most five: "]]>" takes twelve more.
        out.resize(start + 5 * (end - p) + 32);
        char* w = out.data() + start;
        std::memcpy(w, kOpen, sizeof kOpen - 1);
        w += sizeof kOpen - 1;
        while (p < end) {
            char c = *p;
            if (c == '&') {
                char utf8[4];
                int length = 0;
                p = decodeReference(p, end, utf8, length);
                if (!p)
                    return false;
                if (length > 1) {
                    std::memcpy(w, utf8, size_t(length));
                    w += length;
                    continue;
                }
                c = utf8[0];
            } else {
                ++p;
            }
            if (c == '>' && w[-1] == ']' && w[-2] == ']') {
                std::memcpy(w, kSplit, sizeof kSplit - 1);
                w += sizeof kSplit - 1;
            }
            *w++ = c;
        }
        std::memcpy(w, "]]>", 3);
        w += 3;
        out.resize(w - out.constData());
        m_copied = end;
        return true;
    }

    // Skips the markup at p; nullptr when it is unterminated or breaks a bound.
    const char* markup(const char* p, const char* end)
    {
        if (startsWith(p, end, "<!--")) {
            const char* close = findText(p + 4, end, "-->");
            return close ? close + 3 : nullptr;
        }
        if (startsWith(p, end, "<![CDATA[")) {
            const char* close = findText(p + 9, end, "]]>");
            return close ? close + 3 : nullptr;
        }
        if (startsWith(p, end, "<?")) {
            const char* close = findText(p + 2, end, "?>");
            return close ? close + 2 : nullptr;
        }
        const char* close = tagEnd(p, end);
        if (!close)
            return nullptr;
        if (p[1] == '!')
            return close + 1;
        if (p[1] == '/') {
            if (m_open.empty())
                return nullptr;
            m_containers -= m_open.back().container ? 1 : 0;
            m_open.pop_back();
            m_rootClosed = m_open.empty();
            return close + 1;
        }
        return element(p, close) ? close + 1 : nullptr;
    }

    bool element(const char* p, const char* close)
    {
        const char* name = p + 1;
        size_t length = 0;
        while (name + length < close && !std::strchr(" \t\r\n/", name[length]))
            ++length;
        const auto is = [&](const char* n) { return length == std::strlen(n) && std::memcmp(name, n, length) == 0; };
        const bool container = is("array") || is("dict");
        if (++m_elements > kMaxObjects || m_containers + (container ? 1 : 0) > kMaxDepth)
            return false;
        if (close[-1] == '/') {
            m_rootClosed = m_open.empty();
            return true;
        }
        // The root element and a value inside the deepest container.
        if (m_open.size() + 1 > size_t(kMaxDepth) + 2)
            return false;
        m_open.push_back({container, is("string") || is("key")});
        m_containers += container ? 1 : 0;
        return true;
    }

    QByteArray* m_out;
    const char* m_copied = nullptr;  // input up to here is in m_out, or stands as it is
    std::vector<Open> m_open;
    int m_containers = 0;
    qint64 m_elements = 0;
    bool m_rootClosed = false;
};

} // namespace

bool binaryWithinLimits(const QByteArray& data) { return BinaryWalk(data).run(); }

bool xmlWithinLimits(const QByteArray& data) { return xmlForParser(data).has_value(); }

std::optional<QByteArray> xmlForParser(const QByteArray& data)
{
    if (data.size() > kMaxBytes || data.contains('\0'))
        return std::nullopt;
    QByteArray rewritten;
    if (!XmlWalk(&rewritten).run(data.constData(), data.constData() + data.size()))
        return std::nullopt;
    return rewritten.isEmpty() ? data : rewritten;
}

} // namespace tw::plist
