#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace tw {

// The enumerations of the shell have text raw values (their identity) and a
// fixed list of cases. Each one specialises allCases and overloads rawValue.
template <class E>
const QList<E>& allCases();

// The case whose raw value is exactly raw (case-sensitive), if any.
template <class E>
std::optional<E> fromRawValue(const QString& raw)
{
    for (E e : allCases<E>())
        if (rawValue(e) == raw)
            return e;
    return std::nullopt;
}

} // namespace tw
