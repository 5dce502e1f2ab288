#pragma once

#include <QByteArray>

namespace tw::plist {

// Whether a property list may be handed to the parser: within the size,
// depth, object and expansion bounds of PropertyList.h, and with no NUL
// character in a string. Both walk the bytes once, without recursion; they
// prove nothing about well-formedness beyond what the bounds need.
bool binaryWithinLimits(const QByteArray& data);  // "bplist00"
bool xmlWithinLimits(const QByteArray& data);

} // namespace tw::plist
