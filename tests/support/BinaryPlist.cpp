#include "support/BinaryPlist.h"

namespace tw::test {

namespace {

int widthFor(std::uint64_t largest)
{
    int width = 1;
    while (width < 8 && (largest >> (8 * width)) != 0)
        ++width;
    return width;
}

} // namespace

void appendBigEndian(QByteArray& out, std::uint64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

QByteArray BinaryPlist::marker(std::uint8_t type, std::uint64_t count)
{
    QByteArray out;
    if (count < 15) {
        out.append(char((type << 4) | count));
        return out;
    }
    out.append(char((type << 4) | 0xF));
    const int width = count <= 0xFF ? 1 : count <= 0xFFFF ? 2 : count <= 0xFFFFFFFF ? 4 : 8;
    out.append(char(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3)));
    appendBigEndian(out, count, width);
    return out;
}

int BinaryPlist::add(Object o)
{
    m_objects.push_back(std::move(o));
    return int(m_objects.size()) - 1;
}

int BinaryPlist::ascii(const QByteArray& text) { return add({marker(0x5, std::uint64_t(text.size())) + text, {}}); }

int BinaryPlist::utf16(const std::u16string& text)
{
    QByteArray bytes = marker(0x6, text.size());
    for (char16_t c : text)
        appendBigEndian(bytes, c, 2);
    return add({bytes, {}});
}

int BinaryPlist::integer(std::int64_t value)
{
    QByteArray bytes(1, char(0x13));
    appendBigEndian(bytes, std::uint64_t(value), 8);
    return add({bytes, {}});
}

int BinaryPlist::boolean(bool value) { return add({QByteArray(1, char(value ? 0x09 : 0x08)), {}}); }

int BinaryPlist::array(const std::vector<int>& refs) { return add({marker(0xA, refs.size()), refs}); }

int BinaryPlist::dict(const std::vector<int>& keys, const std::vector<int>& values)
{
    std::vector<int> refs = keys;
    refs.insert(refs.end(), values.begin(), values.end());
    return add({marker(0xD, keys.size()), refs});
}

int BinaryPlist::raw(const QByteArray& bytes) { return add({bytes, {}}); }

QByteArray BinaryPlist::finish(int top, int refSize, int offsetSize) const
{
    if (refSize == 0)
        refSize = widthFor(m_objects.empty() ? 0 : m_objects.size() - 1);
    QByteArray out("bplist00");
    std::vector<std::uint64_t> offsets;
    for (const Object& o : m_objects) {
        offsets.push_back(std::uint64_t(out.size()));
        out += o.bytes;
        for (int ref : o.refs)
            appendBigEndian(out, std::uint64_t(ref), refSize);
    }
    const std::uint64_t tableOffset = std::uint64_t(out.size());
    if (offsetSize == 0)
        offsetSize = widthFor(tableOffset);
    for (std::uint64_t offset : offsets)
        appendBigEndian(out, offset, offsetSize);
    out.append(QByteArray(6, '\0'));
    out.append(char(offsetSize));
    out.append(char(refSize));
    appendBigEndian(out, m_objects.size(), 8);
    appendBigEndian(out, std::uint64_t(top), 8);
    appendBigEndian(out, tableOffset, 8);
    return out;
}

QByteArray xmlDocument(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">"
           + body + "</plist>\n";
}

QByteArray xmlNested(int levels, const QByteArray& leaf)
{
    return xmlDocument(QByteArray("<array>").repeated(levels) + leaf + QByteArray("</array>").repeated(levels));
}

QByteArray binaryNested(int levels)
{
    BinaryPlist b;
    for (int i = 0; i < levels; ++i)
        b.array({i + 1});
    b.ascii("x");
    return b.finish(0);
}

QByteArray referenceBomb(int levels, const QByteArray& leaf)
{
    BinaryPlist b;
    for (int i = 0; i < levels; ++i)
        b.array({i + 1, i + 1});
    b.ascii(leaf);
    return b.finish(0);
}

} // namespace tw::test
