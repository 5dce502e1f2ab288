#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tw::test {

// One text per item, in order: a field (&T::name) or what a function returns.
template <class Items, class Field>
QStringList collect(const Items& items, Field field)
{
    QStringList out;
    for (const auto& item : items)
        out << QString(std::invoke(field, item));
    return out;
}

// The first item whose field equals value, or null.
template <class Items, class Field, class Value>
auto findBy(const Items& items, Field field, const Value& value) -> decltype(&*std::begin(items))
{
    for (const auto& item : items)
        if (std::invoke(field, item) == value)
            return &item;
    return nullptr;
}

} // namespace tw::test
