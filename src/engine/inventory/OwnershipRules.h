#pragma once

// Which names and paths belong to an application: pure string rules. The
// keys are the bundle identifier in lower case, the name in lower case and
// the compact name (lower case, without spaces).

#include <QString>
#include <QStringList>

namespace tw::ownership {

// A file name carries the identifier (itself, or dotted before or after it)
// or equals the name or the compact name, in one of its leafForms.
bool leafOwned(const QString& name, const QString& bundleIdLower, const QString& nameLower,
               const QString& nameCompact);

// The leaf rule on the last component, and below Application Support,
// Application Scripts and Containers the first folder's own rule.
bool isOwnedByApp(const QString& path, const QString& bundleIdLower, const QString& nameLower,
                  const QString& nameCompact);

// The folder names an application's name may take: the trimmed name, its
// compact form and the aliases some applications use.
QStringList leftoverNameAliases(const QString& name);

// A group container named after the identifier, with or without a team or
// "group" prefix.
bool groupContainerMatches(const QString& name, const QString& bundleId);

// The forms of a file name the leaf rule compares: in lower case, without
// one leading dot and the property-list, saved-state and cookie suffixes; and
// the same without a final ".app" when it has one.
QStringList leafForms(const QString& name);

} // namespace tw::ownership
