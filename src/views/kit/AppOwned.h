#pragma once

#include <QCoreApplication>
#include <QPointer>

namespace tw {

// The one T of the application, made at the first call with the application
// as its parent (made anew should that one be gone).
template <class T>
T& appOwned()
{
    static QPointer<T> one;
    if (!one)
        one = new T(QCoreApplication::instance());
    return *one;
}

} // namespace tw
