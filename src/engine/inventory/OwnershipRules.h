#pragma once

// Which names and paths belong to an application: pure string rules. The
// keys are the bundle identifier in lower case, the name in lower case and
// the compact name (lower case, without spaces).

#include <QString>
#include <QStringList>
#include <QVarLengthArray>

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

// Calls f with s in lower case (as QString::toLower gives it), without a
// copy on the heap when s is ASCII and of ordinary length.
template <typename F>
auto withLowerCase(QStringView s, F f)
{
    QVarLengthArray<char16_t, 512> lower(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x80) {
            const QString full = s.toString().toLower();
            return f(QStringView(full));
        }
        lower[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    }
    return f(QStringView(lower.data(), lower.size()));
}

} // namespace tw::ownership
