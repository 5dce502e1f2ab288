#pragma once

#include <functional>

namespace tw {

// A two-way binding to a value that lives elsewhere (a record's flag, a
// setting, a workspace's search text): get reads it, set writes it. The
// controls of the kit write through set only when the user acts, and show
// get's value when they are refreshed.
template <class T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;

    explicit operator bool() const { return bool(get); }
};

} // namespace tw
