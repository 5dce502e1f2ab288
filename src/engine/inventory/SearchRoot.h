#pragma once

#include <QString>

namespace tw {

// A library folder the leftover finder lists, with the category label of what
// it finds there.
struct SearchRoot {
    QString base;
    QString label;
    friend bool operator==(const SearchRoot&, const SearchRoot&) = default;
};

} // namespace tw
