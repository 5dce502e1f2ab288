#pragma once

#include <QByteArray>

#include <optional>

namespace tw::plist {

// Whether a property list may be handed to the parser: within the size,
// depth, object and expansion bounds of PropertyList.h, and with no NUL
// character in a string. Both walk the bytes once, without recursion; they
// prove nothing about well-formedness beyond what the bounds need.
bool binaryWithinLimits(const QByteArray& data);  // "bplist00"
bool xmlWithinLimits(const QByteArray& data);
// An XML list as the parser is to read it: nullopt when beyond the bounds or
// when a string or key holds a malformed reference; else the list with the
// references of string and key text decoded into CDATA sections, so that
// reading takes time linear in the size. What follows the root element is
// ignored, as the parser ignores it.
std::optional<QByteArray> xmlForParser(const QByteArray& data);

} // namespace tw::plist
