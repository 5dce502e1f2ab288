#pragma once

#include "engine/cleaner/SystemCleaner.h"
#include "support/Collect.h"

#include <stdexcept>

namespace tw::test {

inline QStringList titles(const QList<RemovableItem>& items) { return collect(items, &RemovableItem::title); }

// The entry of that title; a missing one fails the test.
inline const RemovableItem& entry(const QList<RemovableItem>& items, const QString& title)
{
    if (const RemovableItem* found = findBy(items, &RemovableItem::title, title))
        return *found;
    throw std::runtime_error("no entry titled " + title.toStdString());
}

// What a list shows of an entry: "title | category | subtitle | on/off | owner | owner's path".
inline QString row(const RemovableItem& i)
{
    return QStringList{i.title, i.category, i.subtitle, i.isEnabled ? "on" : "off", i.parentName, i.parentAppPath.value_or("-")}
        .join(" | ");
}
inline QStringList rows(const QList<RemovableItem>& items) { return collect(items, &row); }

inline ProcessResult ran(int exitCode, const QByteArray& out = {}, const QByteArray& err = {})
{
    ProcessResult r;
    r.started = true;
    r.exitCode = exitCode;
    r.standardOutput = out;
    r.standardError = err;
    return r;
}

} // namespace tw::test
