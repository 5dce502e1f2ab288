// Which names and paths belong to an application: pure string rules.

#include "engine/inventory/OwnershipRules.h"

#include "platform/Path.h"

#include <algorithm>
#include <optional>

namespace tw::ownership {

namespace {

// The identifier itself, or a dotted name that starts or ends with it.
bool carriesIdentifier(const QString& n, const QString& id)
{
    if (id.isEmpty())
        return false;
    if (n == id)
        return true;
    const qsizetype len = id.size();
    return (n.size() > len && n.startsWith(id) && n.at(len) == u'.')
        || (n.size() > len && n.endsWith(id) && n.at(n.size() - len - 1) == u'.');
}

bool startsWithDotted(const QString& n, const QString& prefix)
{
    return !prefix.isEmpty() && n.size() > prefix.size() && n.startsWith(prefix) && n.at(prefix.size()) == u'.';
}

// The first folder name after marker in p, lower-cased; nullopt when the
// marker does not occur.
std::optional<QString> folderAfter(const QString& p, QLatin1String marker)
{
    const qsizetype at = p.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype slash = p.indexOf(u'/', start);
    return p.mid(start, slash < 0 ? -1 : slash - start).toLower();
}

} // namespace

QStringList leafForms(const QString& name)
{
    QString n = name.toLower();
    if (n.startsWith(u'.'))
        n.remove(0, 1);
    for (const QLatin1String suffix : {QLatin1String(".plist"), QLatin1String(".savedstate"),
                                       QLatin1String(".binarycookies")}) {
        if (n.endsWith(suffix))
            n.chop(suffix.size());
    }
    // Identifiers may end in ".app" themselves, so a bundle name counts both
    // with and without that suffix.
    if (n.endsWith(QLatin1String(".app")))
        return {n, n.chopped(4)};
    return {n};
}

bool leafOwned(const QString& name, const QString& bundleIdLower, const QString& nameLower,
                           const QString& nameCompact)
{
    for (const QString& n : leafForms(name)) {
        if (carriesIdentifier(n, bundleIdLower))
            return true;
        if (!nameLower.isEmpty() && (n == nameLower || n == nameCompact))
            return true;
    }
    return false;
}

bool isOwnedByApp(const QString& path, const QString& bundleIdLower, const QString& nameLower,
                  const QString& nameCompact)
{
    const QString p = path::standardized(path);
    if (!leafOwned(path::split(p).second, bundleIdLower, nameLower, nameCompact))
        return false;

    // Below Application Support or Application Scripts the first folder must
    // carry the identifier or the name.
    for (const QLatin1String marker : {QLatin1String("/Library/Application Support/"),
                                       QLatin1String("/Library/Application Scripts/")}) {
        if (const auto c = folderAfter(p, marker)) {
            const bool byId = !bundleIdLower.isEmpty() && (*c == bundleIdLower || startsWithDotted(*c, bundleIdLower));
            const bool byName = !nameLower.isEmpty() && (*c == nameLower || *c == nameCompact);
            if (!byId && !byName)
                return false;
        }
    }
    // Below Containers only the identifier counts.
    if (const auto c = folderAfter(p, QLatin1String("/Library/Containers/"))) {
        if (bundleIdLower.isEmpty() || (*c != bundleIdLower && !startsWithDotted(*c, bundleIdLower)))
            return false;
    }

    const QString q = p.toLower();
    if (q.contains(QLatin1String("/subdomainappssearcher/")) || q.contains(QLatin1String("/updatercache/")))
        return false;
    // Our own files belong only to our own identifiers.
    if (q.contains(QLatin1String("com.marrowind.")))
        return bundleIdLower.startsWith(QLatin1String("com.marrowind"));
    return true;
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
