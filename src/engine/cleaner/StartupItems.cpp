// Loading the startup items: launchd jobs of the three launch folders, helper
// login items inside applications, and the login items of "System Events".

#include "engine/cleaner/StartupItems.h"

#include "engine/cleaner/CleanerSupport.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/Collation.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QRegularExpression>

namespace tw::startup {

using namespace cleaner;

namespace {

// A bundle's display name, by its Info.plist.
QString bundleDisplayName(const FileSystem& fs, const QString& bundle)
{
    return bundleTitle(plist::readDictionary(fs, path::join(bundle, QStringLiteral("Contents/Info.plist")))
                           .value_or(QVariantMap()),
                       bundle);
}

// The first of at most limit paths, from start upwards, that is an application bundle.
std::optional<QString> enclosingApp(const QString& start, int limit)
{
    QString current = start;
    for (int i = 0; i < limit; ++i) {
        if (lowerExtension(current) == QLatin1String("app"))
            return current;
        const QString up = path::parent(current);
        if (up == current)
            break;
        current = up;
    }
    return std::nullopt;
}

// An absolute path as given, standardized, so that "/a/./b" and "/a/b" agree.
QString absolute(const QString& p)
{
    return path::standardized(p.startsWith(u'/') ? p : QLatin1Char('/') + p);
}

// The first element of a non-empty list made only of texts.
std::optional<QString> firstOfTexts(const QVariantList& list)
{
    const bool allText =
        std::all_of(list.cbegin(), list.cend(), [](const QVariant& v) { return v.typeId() == QMetaType::QString; });
    if (!allText || list.isEmpty())
        return std::nullopt;
    return list.first().toString();
}

// The first program argument, else "Program", else empty.
QString jobProgram(const QVariantMap& job)
{
    if (const auto args = plist::array(job, QStringLiteral("ProgramArguments")))
        if (const auto first = firstOfTexts(*args))
            return *first;
    return plist::string(job, QStringLiteral("Program")).value_or(QString());
}

} // namespace

QSet<QString> loadedLaunchdLabels(const Platform& p)
{
    const Result<ProcessOutput> run = p.launchd().launchctl({QStringLiteral("list")});
    if (!run)
        return {};
    const auto text = decodeUtf8(run->standardOutput);
    if (!text)
        return {};
    const QStringList lines = text->split(u'\n', Qt::SkipEmptyParts);
    QSet<QString> labels;
    if (lines.size() < 2)
        return labels;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(space, Qt::SkipEmptyParts);
        if (fields.size() >= 3)
            labels.insert(fields[2]);
    }
    return labels;
}

QString startupAgentTitle(const QString& label, const QString& program)
{
    const QLatin1String updater("googleupdater");
    if (label.toLower().contains(updater) || program.toLower().contains(updater))
        return QStringLiteral("GoogleUpdater");
    for (const char* prefix : {"com.", "org.", "net.", "io."})
        if (label.startsWith(QLatin1String(prefix)))
            return label;
    return friendlyStartupName(label, program);
}

QString friendlyStartupName(const QString& label, const QString& program)
{
    if (program.isEmpty())
        return label;
    if (const auto app = enclosingApp(absolute(program), 8))
        return path::baseName(*app);
    const QString leaf = path::lastComponent(program);
    return leaf.isEmpty() ? label : leaf;
}

std::optional<ParentApp> resolveParentApp(const Platform& p, const QString& programPath, const QVariant& associated)
{
    std::optional<QString> bundleId;
    if (associated.typeId() == QMetaType::QString)
        bundleId = associated.toString();
    else if (associated.typeId() == QMetaType::QVariantList || associated.typeId() == QMetaType::QStringList)
        bundleId = firstOfTexts(associated.toList());
    if (bundleId)
        if (const auto app = p.workspace().applicationPath(*bundleId))
            return ParentApp{bundleDisplayName(p.fs(), *app), *app};
    if (!programPath.isEmpty())
        if (const auto app = enclosingApp(absolute(programPath), 10))
            return ParentApp{bundleDisplayName(p.fs(), *app), *app};
    return std::nullopt;
}

QList<RemovableItem> loadApplicationLoginItems(const Platform& p, QSet<QString>& seen)
{
    const FileSystem& fs = p.fs();
    QList<RemovableItem> items;
    const QString applications = QStringLiteral("/Applications");
    for (const DirEntry& appEntry : listing(fs, applications)) {
        if (lowerExtension(appEntry.name) != QLatin1String("app"))
            continue;
        const QString app = path::join(applications, appEntry.name);
        const QString folder = path::join(app, QStringLiteral("Contents/Library/LoginItems"));
        std::optional<QString> parentName;  // read once, when the first helper needs it
        for (const DirEntry& entry : listing(fs, folder)) {
            const QString helper = path::join(folder, entry.name);
            if (!firstSeen(seen, path::standardized(helper)) || lowerExtension(entry.name) != QLatin1String("app"))
                continue;

            const QString h = path::baseName(helper);
            const QVariantMap info =
                plist::readDictionary(fs, path::join(helper, QStringLiteral("Contents/Info.plist"))).value_or(QVariantMap());
            const QString b = plist::string(info, QStringLiteral("CFBundleName")).value_or(h);
            if (!parentName)
                parentName = bundleDisplayName(fs, app);
            const QString words = (b + QLatin1Char(' ') + h).toLower();
            const bool genericHelper = words.contains(QLatin1String("loginhelper"))
                || words.contains(QLatin1String("launchatlogin")) || words.contains(QLatin1String("login helper"));

            RemovableItem item;
            item.title = genericHelper ? *parentName : h;
            item.subtitle = helper;
            item.path = helper;
            item.category = kLoginItemCategory;
            if (const auto st = fs.stat(helper))
                item.modifiedDate = st->modified;
            item.isSelected = true;
            item.icon = IconRef::fileIcon(app);
            item.parentName = *parentName;
            item.parentAppPath = app;
            items.append(std::move(item));
        }
    }
    return items;
}

std::optional<QList<RemovableItem>> loadLoginItemsViaAppleScript(const Platform& p)
{
    const Result<QString> listed = p.loginItems().list();
    if (!listed || listed->isEmpty())
        return std::nullopt;
    QList<RemovableItem> items;
    for (const QString& line : listed->split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0 || tab == line.size() - 1)
            continue;
        const QString name = line.left(tab);
        const QString reported = line.mid(tab + 1);
        // Only absolute paths name a file; anything else is not an item we can act on.
        if (!reported.startsWith(u'/'))
            continue;
        RemovableItem item;
        item.title = name;
        item.subtitle = reported;
        item.path = path::standardized(reported);
        item.category = kLoginItemCategory;
        item.isSelected = true;
        item.icon = IconRef::fileIcon(item.path);
        item.parentName = name;
        if (lowerExtension(item.path) == QLatin1String("app"))
            item.parentAppPath = item.path;
        items.append(std::move(item));
    }
    return items;
}

QList<RemovableItem> loadStartupItems(const Platform& p)
{
    const FileSystem& fs = p.fs();
    const QSet<QString> loaded = loadedLaunchdLabels(p);
    const struct {
        QString folder;
        QString category;
    } folders[] = {
        {path::join(fs.home(), QStringLiteral("Library/LaunchAgents")), QStringLiteral("Launch Agent")},
        {QStringLiteral("/Library/LaunchAgents"), QStringLiteral("Launch Agent")},
        {QStringLiteral("/Library/LaunchDaemons"), QStringLiteral("System Daemon")},
    };

    QList<RemovableItem> items;
    QSet<QString> seen;
    for (const auto& [folder, category] : folders) {
        for (const DirEntry& entry : listing(fs, folder)) {
            if (path::extension(entry.name) != QLatin1String("plist"))
                continue;
            const QString file = path::join(folder, entry.name);
            seen.insert(path::standardized(file));
            const QVariantMap job = plist::readDictionary(fs, file).value_or(QVariantMap());
            const QString label = plist::string(job, QStringLiteral("Label")).value_or(path::baseName(entry.name));
            if (label.startsWith(QLatin1String("com.apple.")))
                continue;
            const QString program = jobProgram(job);
            const bool enabled = !isTrue(job, QStringLiteral("Disabled")) && (loaded.isEmpty() || loaded.contains(label));
            const auto owner = resolveParentApp(p, program, job.value(QStringLiteral("AssociatedBundleIdentifiers")));
            const QString title = startupAgentTitle(label, program);

            RemovableItem item;
            item.title = title;
            item.subtitle = program.isEmpty() ? file : program;
            item.path = file;
            item.size = sizes::quickDiskUsage(fs, file);
            item.category = category;
            if (const auto st = fs.stat(file))
                item.modifiedDate = st->modified;
            item.isSelected = true;
            item.icon = title == QLatin1String("GoogleUpdater") ? IconRef::fileIcon(program.isEmpty() ? file : program)
                                                                : IconRef::symbol(QStringLiteral("rocket.fill"));
            item.isEnabled = enabled;
            item.parentName = owner ? owner->name : title;
            if (owner)
                item.parentAppPath = owner->path;
            items.append(std::move(item));
        }
    }

    items.append(loadApplicationLoginItems(p, seen));
    if (const auto loginItems = loadLoginItemsViaAppleScript(p)) {
        for (const RemovableItem& item : *loginItems)
            if (firstSeen(seen, path::standardized(item.path)))
                items.append(item);
    }

    NameOrder().stableSort(items, [](const RemovableItem& item) -> const QString& { return item.title; });
    return items;
}

} // namespace tw::startup
