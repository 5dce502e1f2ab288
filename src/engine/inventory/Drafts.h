#pragma once

// The plain values worker threads build; the GUI thread wraps them into the
// observable records of Models.h.

#include "platform/Icon.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tw {

// The fixed fields of an application record.
struct AppFields {
    QString name;
    QString bundleIdentifier;
    QString path;              // the bundle (for a group: the folder or the first member's bundle)
    IconRef icon;
    std::int64_t appSize = 0;
    bool isSystemApp = false;
    QString version;
    std::optional<QDateTime> lastUsed;
    QString developer;
};

// An application record as worker threads build it, with its group's members.
struct AppDraft {
    AppFields fields;
    std::vector<AppDraft> members;
};

// A leftover as the finder returns it: selected, without owner.
struct LeftoverItem {
    QString path;
    std::int64_t size = 0;
    QString kindDescription;
    friend bool operator==(const LeftoverItem&, const LeftoverItem&) = default;
};

} // namespace tw
