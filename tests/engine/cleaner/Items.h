#pragma once

// What the cleaner's tests share: the fake platform and readers of entry lists.

#include "engine/cleaner/RemovableItem.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"

#include <stdexcept>

namespace tw::test {

inline QStringList titles(const QList<RemovableItem>& items) { return collect(items, &RemovableItem::title); }
inline QStringList categories(const QList<RemovableItem>& items) { return collect(items, &RemovableItem::category); }

// The first entry whose field equals value; a missing one fails the test.
template <class Field, class Value>
const RemovableItem& entryWith(const QList<RemovableItem>& items, Field field, const Value& value)
{
    if (const RemovableItem* found = findBy(items, field, value))
        return *found;
    throw std::runtime_error("no entry with " + QString(value).toStdString());
}
inline const RemovableItem& entry(const QList<RemovableItem>& items, const QString& title)
{
    return entryWith(items, &RemovableItem::title, title);
}

// An entry for path, titled by its file name.
inline RemovableItem entryAt(const QString& path, bool selected = false, const QStringList& related = {})
{
    RemovableItem i;
    i.title = path.section(u'/', -1);
    i.path = path;
    i.isSelected = selected;
    i.relatedPaths = related;
    return i;
}

// What a list shows of an entry: "title | category | subtitle | on/off | owner | owner's path".
inline QString row(const RemovableItem& i)
{
    return QStringList{i.title, i.category, i.subtitle, i.isEnabled ? "on" : "off", i.parentName, i.parentAppPath.value_or("-")}
        .join(" | ");
}
inline QStringList rows(const QList<RemovableItem>& items) { return collect(items, &row); }

// A launchctl run that started and ended with exitCode.
inline Result<ProcessOutput> ran(int exitCode, const QByteArray& out = {}, const QByteArray& err = {})
{
    return ProcessOutput{exitCode, out, err};
}

// A login-item script that failed with its own message ("" for none).
inline Error scriptFailure(const QString& message = {})
{
    return {kScriptErrorDomain, 0, message};
}

} // namespace tw::test

using namespace tw;
using tw::test::categories;
using tw::test::entry;
using tw::test::entryAt;
using tw::test::entryWith;
using tw::test::FakePlatform;
using tw::test::MacTree;
using tw::test::ran;
using tw::test::row;
using tw::test::scriptFailure;
using tw::test::rows;
using tw::test::titles;
