#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace tw::test {

// Writes binary property lists object by object, so that tests can build
// the ones no well-behaved writer makes: shared and cyclic references, deep
// nesting, NUL characters, odd integer widths.
class BinaryPlist {
public:
    // Each adder returns the new object's index.
    int ascii(const QByteArray& text);
    int utf16(const std::u16string& text);
    int integer(std::int64_t value);
    int boolean(bool value);
    // Refs may name objects added later (or the container itself).
    int array(const std::vector<int>& refs);
    int dict(const std::vector<int>& keys, const std::vector<int>& values);
    // An object given as its raw bytes (marker included).
    int raw(const QByteArray& bytes);

    // The file with top as its root. refSize and offsetSize 0 pick the
    // smallest widths that fit.
    QByteArray finish(int top, int refSize = 0, int offsetSize = 0) const;

    int count() const { return int(m_objects.size()); }

    // A marker byte with its count: in the low nibble, or 0xF and an integer.
    static QByteArray marker(std::uint8_t type, std::uint64_t count);

private:
    struct Object {
        QByteArray bytes;       // marker and payload
        std::vector<int> refs;  // written after bytes at the chosen width
    };
    int add(Object o);
    std::vector<Object> m_objects;
};

// Appends value as a big-endian integer of width bytes.
void appendBigEndian(QByteArray& out, std::uint64_t value, int width);

// Hostile shapes in both formats.
QByteArray xmlDocument(const QByteArray& body);  // body inside <plist>, with the usual prolog
// levels arrays, each holding the next, the innermost holding leaf.
QByteArray xmlNested(int levels, const QByteArray& leaf = "<string>x</string>");
QByteArray binaryNested(int levels);
// levels arrays, each referring twice to the next: 2^levels copies of leaf
// from about 3 x levels bytes of objects.
QByteArray referenceBomb(int levels, const QByteArray& leaf = "x");

} // namespace tw::test
