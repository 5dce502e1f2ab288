#pragma once

#include <QCollator>
#include <QString>

#include <algorithm>

namespace tw {

// The localized, case-insensitive name order of every user-visible list.
// One instance per thread (QCollator is not shared across threads).
class NameOrder {
public:
    NameOrder() { m_collator.setCaseSensitivity(Qt::CaseInsensitive); }
    int compare(const QString& a, const QString& b) const { return m_collator.compare(a, b); }
    bool less(const QString& a, const QString& b) const { return compare(a, b) < 0; }

    // A stable sort by the name that key(element) gives.
    template <typename Range, typename Key>
    void stableSort(Range& range, Key key) const
    {
        std::stable_sort(std::begin(range), std::end(range),
                         [&](const auto& a, const auto& b) { return less(key(a), key(b)); });
    }

private:
    QCollator m_collator;
};

} // namespace tw
