// Which names and paths belong to an application: pure string rules.

#include "engine/inventory/OwnershipRules.h"

#include "platform/Path.h"

#include <algorithm>
#include <optional>

namespace tw::ownership {

namespace {

// The identifier itself, or a dotted name that starts or ends with it.
bool carriesIdentifier(QStringView n, QStringView id)
{
    if (id.isEmpty())
        return false;
    if (n == id)
        return true;
    const qsizetype len = id.size();
    return (n.size() > len && n.startsWith(id) && n.at(len) == u'.')
        || (n.size() > len && n.endsWith(id) && n.at(n.size() - len - 1) == u'.');
}

bool startsWithDotted(QStringView n, QStringView prefix)
{
    return !prefix.isEmpty() && n.size() > prefix.size() && n.startsWith(prefix) && n.at(prefix.size()) == u'.';
}

// The first folder name after marker in p; nullopt when the marker does not
// occur.
std::optional<QStringView> folderAfter(QStringView p, QStringView marker)
{
    const qsizetype at = p.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype slash = p.indexOf(u'/', start);
    return p.mid(start, slash < 0 ? p.size() - start : slash - start);
}

// The lower-case forms of leafForms, as views into n (already lower case).
template <typename F>
bool anyLeafForm(QStringView n, F f)
{
    if (n.startsWith(u'.'))
        n = n.mid(1);
    for (const QStringView suffix : {QStringView(u".plist"), QStringView(u".savedstate"), QStringView(u".binarycookies")}) {
        if (n.endsWith(suffix))
            n.chop(suffix.size());
    }
    if (f(n))
        return true;
    return n.endsWith(u".app") && f(n.chopped(4));
}

bool leafOwnedLower(QStringView n, const QString& bundleIdLower, const QString& nameLower, const QString& nameCompact)
{
    return anyLeafForm(n, [&](QStringView form) {
        return carriesIdentifier(form, bundleIdLower)
            || (!nameLower.isEmpty() && (form == nameLower || form == nameCompact));
    });
}

} // namespace

QStringList leafForms(const QString& name)
{
    QStringList forms;
    anyLeafForm(name.toLower(), [&](QStringView form) {
        forms << form.toString();
        return false;
    });
    return forms;
}

bool leafOwned(const QString& name, const QString& bundleIdLower, const QString& nameLower,
               const QString& nameCompact)
{
    return withLowerCase(name, [&](QStringView n) { return leafOwnedLower(n, bundleIdLower, nameLower, nameCompact); });
}

bool isOwnedByApp(const QString& path, const QString& bundleIdLower, const QString& nameLower,
                  const QString& nameCompact)
{
    const QString p = path::standardized(path);
    const qsizetype slash = p.lastIndexOf(u'/');
    const QStringView leaf = slash < 0 ? QStringView(p) : QStringView(p).mid(slash + 1);
    if (!withLowerCase(leaf, [&](QStringView n) { return leafOwnedLower(n, bundleIdLower, nameLower, nameCompact); }))
        return false;

    // Below Application Support or Application Scripts the first folder must
    // carry the identifier or the name.
    for (const QStringView marker : {QStringView(u"/Library/Application Support/"),
                                     QStringView(u"/Library/Application Scripts/")}) {
        if (const auto folder = folderAfter(p, marker)) {
            const bool owned = withLowerCase(*folder, [&](QStringView c) {
                const bool byId = !bundleIdLower.isEmpty() && (c == bundleIdLower || startsWithDotted(c, bundleIdLower));
                const bool byName = !nameLower.isEmpty() && (c == nameLower || c == nameCompact);
                return byId || byName;
            });
            if (!owned)
                return false;
        }
    }
    // Below Containers only the identifier counts.
    if (const auto folder = folderAfter(p, u"/Library/Containers/")) {
        const bool owned = withLowerCase(*folder, [&](QStringView c) {
            return !bundleIdLower.isEmpty() && (c == bundleIdLower || startsWithDotted(c, bundleIdLower));
        });
        if (!owned)
            return false;
    }

    return withLowerCase(p, [&](QStringView q) {
        if (q.contains(u"/subdomainappssearcher/") || q.contains(u"/updatercache/"))
            return false;
        // Our own files belong only to our own identifiers.
        if (q.contains(u"com.marrowind."))
            return bundleIdLower.startsWith(QLatin1StringView("com.marrowind"));
        return true;
    });
}

QStringList leftoverNameAliases(const QString& name)
{
    const QString t = name.trimmed();
    if (t.isEmpty())
        return {};
    QStringList aliases{t};
    const QString compact = QString(t).remove(u' ');
    if (compact != t)
        aliases << compact;
    if (t.toLower().startsWith(QLatin1String("cleanshot")))
        aliases << QStringLiteral("CleanShot");
    return aliases;
}

bool groupContainerMatches(const QString& name, const QString& bundleId)
{
    const QString n = name.toLower();
    const QString b = bundleId.toLower();
    if (b.isEmpty())
        return false;
    if (n == b || n.endsWith(u'.' + b) || n.startsWith(b + u'.') || n.contains(u'.' + b + u'.'))
        return true;

    // Strip a leading team identifier or "group" word.
    QString s = n;
    const qsizetype dot = n.indexOf(u'.');
    if (dot > 0 && dot < n.size() - 1) {
        const QString first = n.left(dot);
        const bool team = first.size() >= 8 && first.size() <= 12
            && std::all_of(first.cbegin(), first.cend(), [](QChar c) { return c.isLetterOrNumber(); });
        if (first == QLatin1String("group") || team)
            s = n.mid(dot + 1);
    }
    if (s.startsWith(QLatin1String("group.")))
        s.remove(0, 6);

    if (s.split(u'.', Qt::SkipEmptyParts).size() < 3 || s.startsWith(QLatin1String("com.apple."))
        || s.startsWith(QLatin1String("group.com.apple.")))
        return false;
    return s == b || b.startsWith(s + u'.') || s.startsWith(b + u'.');
}

} // namespace tw::ownership
