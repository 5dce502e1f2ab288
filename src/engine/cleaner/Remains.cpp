// The remains finder: support files in the user's library whose application
// is no longer installed, grouped into one entry per probable application.

#include "engine/cleaner/Remains.h"

#include "engine/cleaner/CleanerSupport.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/Collation.h"
#include "platform/Path.h"

#include <QHash>

namespace tw::remains {

namespace {

const QString kOwnIdentifier = QStringLiteral("com.marrowind.tidewell");
const QString kMakerWord = QStringLiteral("marrowind");
const QString kFinalCutTitle = QStringLiteral("apple.finalcutapp");
const QString kScriptsTitle = QStringLiteral("lo");

bool isAsciiUpperOrDigit(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

bool isOneOf(const QString& s, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        if (s == QLatin1String(w))
            return true;
    return false;
}

QStringList dotPieces(const QString& s) { return s.split(u'.', Qt::SkipEmptyParts); }

// Drops a team-identifier prefix, a "group." prefix and a ".plist" or
// ".savedState" suffix; case is otherwise kept.
QString normalizeBaseName(const QString& name)
{
    QString s = name;
    qsizetype run = 0;
    while (run < s.size() && run <= 12 && isAsciiUpperOrDigit(s[run]))
        ++run;
    if (run >= 8 && run <= 12 && run < s.size() && s[run] == u'.')
        s.remove(0, run + 1);
    if (s.toLower().startsWith(QLatin1String("group.")))
        s.remove(0, 6);
    if (s.toLower().endsWith(QLatin1String(".plist")))
        s.chop(6);
    if (s.toLower().endsWith(QLatin1String(".savedstate")))
        s.chop(11);
    return s;
}

struct Acc {
    QString title;
    QStringList paths;
    std::int64_t size = 0;
    QString category;
    std::optional<QDateTime> modified;
};

class Finder {
public:
    Finder(const Platform& p, const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames)
        : m_fs(p.fs())
    {
        for (const QString& id : knownBundleIds)
            addKnownIdentifier(id.toLower());
        addKnownIdentifier(kOwnIdentifier);
        for (const QString& name : knownNames)
            m_knownCompactNames.insert(name.toLower().remove(u' '));

        for (const QString& id : std::as_const(m_knownIds)) {
            if (id.startsWith(QLatin1String("com.apple.finalcut")))
                m_finalCutInstalled = true;
            if (id.startsWith(QLatin1String("com.apple.")) || id.startsWith(QLatin1String("apple.")))
                continue;
            const QStringList pieces = dotPieces(id);
            if (pieces.size() >= 2 && pieces[1].size() >= 3
                && !isOneOf(pieces[1], {"com", "org", "net", "io", "app", "mac", "osx", "group"}))
                m_vendors.insert(pieces[1]);
        }
        m_vendors.insert(kMakerWord);
    }

    QList<RemovableItem> run()
    {
        const QString lib = m_fs.library();
        scanPreferences(lib + QStringLiteral("/Preferences"));
        scanApplicationSupport(lib + QStringLiteral("/Application Support"));
        if (!m_finalCutInstalled) {
            const QString analyzer = QStringLiteral("com.apple.FinalCut.FxAnalyzer");
            const QString container = lib + QStringLiteral("/Containers/") + analyzer;
            if (m_fs.existsNoFollow(container))
                add(container, kFinalCutTitle, QStringLiteral("Containers"));
            const QString scripts = lib + QStringLiteral("/Application Scripts/") + analyzer;
            if (m_fs.existsNoFollow(scripts) && quickSize(scripts) == 0)
                add(scripts, kScriptsTitle, QStringLiteral("Application Scripts"), 0);
        }
        return items();
    }

private:
    void addKnownIdentifier(const QString& id)
    {
        m_knownIds.insert(id);
        // Every "a.b" of "a.b.c", so "k starts with n + '.'" is one lookup.
        for (qsizetype i = id.indexOf(u'.'); i >= 0; i = id.indexOf(u'.', i + 1))
            m_knownIdHeads.insert(id.left(i));
    }

    // Final Cut's own files are offered as remains only while it is not installed.
    bool finalCutExempt(const QString& lower) const
    {
        return !m_finalCutInstalled && lower.contains(QLatin1String("finalcut"));
    }

    bool isAppleNoise(const QString& name) const
    {
        const QString n = normalizeBaseName(name).toLower();
        if (finalCutExempt(n))
            return false;
        return n.startsWith(QLatin1String("com.apple.")) || n.startsWith(QLatin1String("apple."))
            || n.startsWith(QLatin1String("group.com.apple.")) || n.startsWith(QLatin1String("systemgroup."))
            || name.startsWith(QLatin1String("group.com.apple.")) || name.startsWith(QLatin1String("systemgroup."))
            || n.contains(QLatin1String(".com.apple."));
    }

    static std::optional<QString> vendorOf(const QString& name)
    {
        const QString n = normalizeBaseName(name).toLower();
        const QStringList pieces = dotPieces(n);
        if (pieces.size() >= 2)
            return isOneOf(pieces[0], {"com", "org", "net", "io"}) ? pieces[1] : pieces[0];
        if (n.size() >= 3)
            return n;
        return std::nullopt;
    }

    bool belongsToInstalledApp(const QString& name) const
    {
        const QString n = normalizeBaseName(name).toLower();
        if (finalCutExempt(n))
            return false;
        if (m_knownIds.contains(n) || m_knownIdHeads.contains(n))
            return true;
        for (qsizetype i = n.indexOf(u'.'); i >= 0; i = n.indexOf(u'.', i + 1))
            if (m_knownIds.contains(n.left(i)))
                return true;
        if (const auto v = vendorOf(n); v && m_vendors.contains(*v))
            return true;
        return m_knownCompactNames.contains(QString(n).remove(u' '));
    }

    QString displayTitle(const QString& name) const
    {
        const QString b = normalizeBaseName(name);
        if (finalCutExempt(b.toLower()))
            return kFinalCutTitle;
        const QStringList pieces = dotPieces(b);
        if (pieces.size() >= 2 && !isOneOf(pieces[1].toLower(), {"com", "org", "net", "group", "io"})) {
            QString t = pieces[1];
            t[0] = t[0].toUpper();
            return t;
        }
        return b;
    }

    std::int64_t quickSize(const QString& p) const { return sizes::allocatedDiskUsage(m_fs, p); }

    static bool skipsTitle(const QString& lower)
    {
        return lower.startsWith(QLatin1String("group.com.apple")) || lower.startsWith(QLatin1String("systemgroup"))
            || lower.contains(kMakerWord);
    }

    // Measures p unless its size is known; a title that is never offered adds nothing.
    void add(const QString& p, const QString& title, const QString& category,
             std::optional<std::int64_t> knownSize = std::nullopt)
    {
        const QString key = title.toLower();
        if (skipsTitle(key))
            return;
        const std::int64_t size = knownSize ? *knownSize : quickSize(p);
        const auto st = m_fs.stat(p);
        const std::optional<QDateTime> modified = st ? st->modified : std::nullopt;
        const auto it = m_index.constFind(key);
        if (it != m_index.cend()) {
            Acc& acc = m_accs[*it];
            acc.paths << p;
            acc.size += size;
            if (modified && (!acc.modified || *modified > *acc.modified))
                acc.modified = modified;
            return;
        }
        m_index.insert(key, m_accs.size());
        m_accs.push_back({title, QStringList{p}, size, category, modified});
    }

    void scanPreferences(const QString& folder)
    {
        for (const DirEntry& e : cleaner::listing(m_fs, folder)) {
            const QString& name = e.name;
            if (!name.toLower().endsWith(QLatin1String(".plist")) || isAppleNoise(name))
                continue;
            const QString base = name.left(name.size() - 6);
            const QString normalized = normalizeBaseName(base).toLower();
            if (isAppleNoise(normalized) || dotPieces(normalized).size() < 2 || belongsToInstalledApp(base))
                continue;
            add(path::join(folder, name), displayTitle(base), QStringLiteral("Preferences"));
        }
    }

    void scanApplicationSupport(const QString& folder)
    {
        static const QSet<QString> noise{
            QStringLiteral("addressbook"), QStringLiteral("animoji"), QStringLiteral("callhistorydb"),
            QStringLiteral("callhistorytransactions"), QStringLiteral("clouddocs"), QStringLiteral("crashreporter"),
            QStringLiteral("differentialprivacy"), QStringLiteral("facetime"), QStringLiteral("fileprovider"),
            QStringLiteral("knowledge"), QStringLiteral("sesstorage"), QStringLiteral("icloud"), QStringLiteral("icdd"),
            QStringLiteral("homeenergyd"), QStringLiteral("networkserviceproxy"), QStringLiteral("locationaccessstored"),
            QStringLiteral("default.store"), QStringLiteral("default.store-shm"), QStringLiteral("default.store-wal"),
            QStringLiteral("xcode"), QStringLiteral("google"), QStringLiteral("cursor")};
        for (const DirEntry& e : cleaner::listing(m_fs, folder)) {
            const QString& name = e.name;
            if (name.startsWith(u'.') || isAppleNoise(name) || noise.contains(name.toLower()))
                continue;
            const bool dotted = name.contains(u'.');
            const bool looksLikeApp = dotted ? dotPieces(name).size() >= 2 : name[0].isUpper();
            if (!looksLikeApp || belongsToInstalledApp(name))
                continue;
            add(path::join(folder, name), displayTitle(name), QStringLiteral("Application Support"));
        }
    }

    bool keeps(const Acc& acc) const
    {
        const QString k = acc.title.toLower();
        if (!m_finalCutInstalled && (k == kFinalCutTitle || k == kScriptsTitle))
            return true;
        return !(belongsToInstalledApp(acc.title) || m_vendors.contains(k) || isAppleNoise(k)
                 || k.contains(kMakerWord) || k.startsWith(QLatin1String("group.")));
    }

    QList<RemovableItem> items() const
    {
        QList<RemovableItem> out;
        for (const Acc& acc : m_accs) {
            if (acc.paths.isEmpty() || !keeps(acc))
                continue;
            RemovableItem item;
            item.title = acc.title;
            item.subtitle = path::parent(acc.paths.first());
            item.path = acc.paths.first();
            item.size = std::max<std::int64_t>(acc.size, 0);
            item.category = acc.paths.size() == 1 ? acc.category
                                                  : QString::number(acc.paths.size()) + QStringLiteral(" related items");
            item.modifiedDate = acc.modified;
            item.relatedPaths = acc.paths;
            out.push_back(std::move(item));
        }
        NameOrder().stableSort(out, [](const RemovableItem& i) -> const QString& { return i.title; });
        return out;
    }

    const FileSystem& m_fs;
    QSet<QString> m_knownIds;
    QSet<QString> m_knownIdHeads;
    QSet<QString> m_knownCompactNames;
    QSet<QString> m_vendors;
    bool m_finalCutInstalled = false;
    std::vector<Acc> m_accs;  // in the order first seen, so equal titles sort the same way every run
    QHash<QString, qsizetype> m_index;
};

} // namespace

QList<RemovableItem> findOrphans(const Platform& p, const QSet<QString>& knownBundleIds,
                                 const QSet<QString>& knownNames)
{
    return Finder(p, knownBundleIds, knownNames).run();
}

} // namespace tw::remains
