// Loading the extension groups: installer files, browser extensions, screen
// savers, settings panes, internet plug-ins and widgets.

#include "engine/cleaner/Extensions.h"

#include "engine/cleaner/CleanerSupport.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/Collation.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"
#include "platform/ThreadPool.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace tw::extensions {

using namespace cleaner;

namespace {

const QString kInstallationFiles = QStringLiteral("Installation Files");
const QString kSafari = QStringLiteral("Safari Extensions");
const QString kFirefox = QStringLiteral("Firefox Extensions");
const QString kInternetPlugins = QStringLiteral("Internet Plugins");
const QString kWidgets = QStringLiteral("Widgets");

constexpr int kInstallationFileLimit = 8000;  // entries examined per root
constexpr int kWidgetAppLimit = 80;           // applications examined for widget extensions
constexpr int kShortPathLimit = 42;

std::optional<QJsonObject> readJsonObject(const FileSystem& fs, const QString& file)
{
    const auto data = fs.readFile(file);
    if (!data)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(*data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

// True when the file's bytes decode as an image.
bool loadsAsImage(const FileSystem& fs, const QString& file)
{
    auto data = fs.readFile(file);
    if (!data || data->isEmpty())
        return false;
    QBuffer buffer(&*data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return false;
    const QSize size = reader.size();
    if (size.isValid())
        return !size.isEmpty();
    return !reader.read().isNull();  // formats that cannot tell their size without decoding
}

// The extension point of an application extension's Info.plist, when it declares one.
std::optional<QString> extensionPoint(const QVariantMap& info)
{
    const auto ext = plist::dictionary(info, QStringLiteral("NSExtension"));
    if (!ext)
        return std::nullopt;
    return plist::string(*ext, QStringLiteral("NSExtensionPointIdentifier"));
}

// Every ".appex" inside the "Contents/PlugIns" of the applications of
// /Applications (the first appLimit entries when given), with its Info.plist.
template <typename Visit>
void forEachAppExtension(const FileSystem& fs, std::optional<int> appLimit, Visit visit)
{
    const QString applications = QStringLiteral("/Applications");
    const std::vector<DirEntry> apps = listing(fs, applications);
    const size_t count = appLimit ? std::min(apps.size(), size_t(*appLimit)) : apps.size();
    for (size_t i = 0; i < count; ++i) {
        if (lowerExtension(apps[i].name) != QLatin1String("app"))
            continue;
        const QString app = path::join(applications, apps[i].name);
        const QString plugIns = path::join(app, QStringLiteral("Contents/PlugIns"));
        for (const DirEntry& entry : listing(fs, plugIns)) {
            if (lowerExtension(entry.name) != QLatin1String("appex"))
                continue;
            const QString bundle = path::join(plugIns, entry.name);
            const auto info = plist::readDictionary(fs, path::join(bundle, QStringLiteral("Contents/Info.plist")));
            if (info)
                visit(app, bundle, *info);
        }
    }
}

RemovableItem extensionItem(const QString& title, const QString& subtitle, const QString& file, std::int64_t size,
                            const QString& category, const IconRef& icon)
{
    RemovableItem item;
    item.title = title;
    item.subtitle = subtitle;
    item.path = file;
    item.size = size;
    item.category = category;
    item.isSelected = true;
    item.icon = icon;
    return item;
}

} // namespace

QString shortenedPath(const Platform& p, const QString& file)
{
    const QString home = p.fs().home();
    QString shown = file;
    // The home folder itself or something inside it; a sibling such as
    // /Users/annette is not inside /Users/ann.
    if (file == home || file.startsWith(home + QLatin1Char('/'))) {
        QString rest = file.mid(home.size());
        if (rest.startsWith(u'/'))
            rest.remove(0, 1);
        shown = path::lastComponent(home) + QLatin1Char('/') + rest;
    }
    // Count and cut user-perceived characters, never half of one.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, shown);
    int characters = 0;
    qsizetype cut = -1;
    while (finder.toNextBoundary() != -1) {
        ++characters;
        if (characters == kShortPathLimit - 3)
            cut = finder.position();
        if (characters > kShortPathLimit)
            return shown.left(cut) + QChar(0x2026);
    }
    return shown;
}

std::optional<QString> chromiumExtensionName(const Platform& p, const QString& manifest)
{
    const auto root = readJsonObject(p.fs(), manifest);
    if (!root)
        return std::nullopt;
    const QJsonValue nameValue = root->value(QLatin1String("name"));
    if (!nameValue.isString())
        return std::nullopt;
    const QString name = nameValue.toString();
    const QLatin1String open("__MSG_"), close("__");
    if (!name.startsWith(open))
        return name;
    if (!name.endsWith(close) || name.size() < open.size() + close.size())
        return std::nullopt;
    const QString key = name.mid(open.size(), name.size() - open.size() - close.size());
    const QString folder = path::parent(manifest);
    for (const char* locale : {"en", "en_US", "en_GB"}) {
        const QString file = path::join(folder, QStringLiteral("_locales/%1/messages.json").arg(QLatin1String(locale)));
        const auto messages = readJsonObject(p.fs(), file);
        if (!messages)
            continue;
        const QJsonValue entry = messages->value(key);
        if (!entry.isObject())
            continue;
        const QJsonValue message = entry.toObject().value(QLatin1String("message"));
        if (message.isString())
            return message.toString();
    }
    return std::nullopt;
}

std::optional<IconRef> chromiumExtensionIcon(const Platform& p, const QString& versionDir)
{
    const FileSystem& fs = p.fs();
    for (const char* name : {"icon.png", "icon128.png", "icon_128.png", "icons/icon128.png", "images/icon128.png"}) {
        const QString file = path::join(versionDir, QString::fromLatin1(name));
        if (loadsAsImage(fs, file))
            return IconRef::imageFile(file);
    }
    const auto manifest = readJsonObject(fs, path::join(versionDir, QStringLiteral("manifest.json")));
    if (!manifest)
        return std::nullopt;
    const QJsonValue iconsValue = manifest->value(QLatin1String("icons"));
    if (!iconsValue.isObject())
        return std::nullopt;
    const QJsonObject icons = iconsValue.toObject();
    for (auto it = icons.begin(); it != icons.end(); ++it)
        if (!it->isString())
            return std::nullopt;
    auto tryIcon = [&](const QString& relative) -> std::optional<IconRef> {
        const QString file = path::standardized(path::join(versionDir, relative));
        if (loadsAsImage(fs, file))
            return IconRef::imageFile(file);
        return std::nullopt;
    };
    for (const char* size : {"128", "48", "32", "16"}) {
        const QJsonValue relative = icons.value(QLatin1String(size));
        if (relative.isString())
            if (auto icon = tryIcon(relative.toString()))
                return icon;
    }
    for (auto it = icons.begin(); it != icons.end(); ++it)
        if (auto icon = tryIcon(it->toString()))
            return icon;
    return std::nullopt;
}

QList<RemovableItem> loadInstallationFiles(const Platform& p)
{
    const FileSystem& fs = p.fs();
    QList<RemovableItem> items;
    QSet<QString> taken;
    for (const char* rootName : {"Downloads", "Desktop", "Documents"}) {
        const QString root = path::join(fs.home(), QString::fromLatin1(rootName));
        int examined = 0;
        fs.walk(root, Hidden::Skip, [&](const QString& file, const DirEntry& entry, int) {
            if (++examined > kInstallationFileLimit)
                return FileSystem::Visit::Stop;
            const QString ext = lowerExtension(entry.name);
            if (ext != QLatin1String("dmg") && ext != QLatin1String("pkg"))
                return FileSystem::Visit::Continue;
            if (!firstSeen(taken, path::standardized(file)))
                return FileSystem::Visit::Continue;
            RemovableItem item = extensionItem(path::baseName(file), shortenedPath(p, file), file,
                                               sizes::quickDiskUsage(fs, file), kInstallationFiles,
                                               IconRef::fileIcon(file));
            if (const auto st = fs.stat(file))
                item.modifiedDate = st->modified;
            items.append(std::move(item));
            return FileSystem::Visit::Continue;
        });
    }
    return items;
}

QList<RemovableItem> loadBrowserExtensions(const Platform& p)
{
    const FileSystem& fs = p.fs();
    const QString support = path::join(fs.home(), QStringLiteral("Library/Application Support"));
    const struct {
        const char* category;
        const char* root;
    } browsers[] = {
        {"Google Chrome Extensions", "Google/Chrome"},
        {"Microsoft Edge Extensions", "Microsoft Edge"},
        {"Brave Extensions", "BraveSoftware/Brave-Browser"},
        {"Arc Extensions", "Arc/User Data"},
        {"Vivaldi Extensions", "Vivaldi"},
        {"Opera Extensions", "com.operasoftware.Opera"},
    };
    const char* profiles[] = {"Default", "Profile 1", "Profile 2", "Profile 3", "Profile 4", "Profile 5"};

    // List every extension folder first, then read and measure them in
    // parallel; the result keeps the listing order.
    struct Job {
        QString category, dataRoot, folder, identifier, versionDir;
    };
    std::vector<Job> jobs;
    for (const auto& browser : browsers) {
        const QString dataRoot = path::join(support, QString::fromLatin1(browser.root));
        for (const char* profile : profiles) {
            const QString extensions = path::join(dataRoot, QLatin1String(profile) + QStringLiteral("/Extensions"));
            for (const DirEntry& entry : listing(fs, extensions)) {
                const QString folder = path::join(extensions, entry.name);
                std::vector<DirEntry> versions = listing(fs, folder);
                std::erase_if(versions, [](const DirEntry& v) { return v.name == QLatin1String("Temp"); });
                if (versions.empty())
                    continue;
                // The greatest name as plain text is taken as the newest version.
                const auto newest = std::max_element(versions.begin(), versions.end(), [](const DirEntry& a, const DirEntry& b) {
                    return QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
                });
                jobs.push_back({QLatin1String(browser.category), dataRoot, folder, entry.name, path::join(folder, newest->name)});
            }
        }
    }
    std::vector<RemovableItem> built(jobs.size());
    parallelFor(jobs.size(), [&](size_t i) {
        const Job& job = jobs[i];
        const QString title = chromiumExtensionName(p, path::join(job.versionDir, QStringLiteral("manifest.json")))
                                  .value_or(job.identifier);
        const IconRef icon = chromiumExtensionIcon(p, job.versionDir).value_or(IconRef::fileIcon(job.dataRoot));
        built[i] = extensionItem(title, shortenedPath(p, job.folder), job.folder,
                                 sizes::allocatedDiskUsage(fs, job.folder), job.category, icon);
    });
    QList<RemovableItem> items(built.begin(), built.end());

    items.append(loadSafariExtensions(p));

    const QString firefoxProfiles = path::join(support, QStringLiteral("Firefox/Profiles"));
    for (const DirEntry& profile : listing(fs, firefoxProfiles)) {
        const QString folder = path::join(firefoxProfiles, profile.name + QStringLiteral("/extensions"));
        for (const DirEntry& entry : listing(fs, folder)) {
            const QString file = path::join(folder, entry.name);
            items.append(extensionItem(path::baseName(file), shortenedPath(p, file), file,
                                       sizes::allocatedDiskUsage(fs, file), kFirefox, IconRef::fileIcon(file)));
        }
    }
    return items;
}

QList<RemovableItem> loadSafariExtensions(const Platform& p)
{
    const FileSystem& fs = p.fs();
    QList<RemovableItem> items;
    QSet<QString> taken;
    for (const char* sub : {"Library/Safari/Extensions", "Library/Safari/AppExtensions"}) {
        const QString folder = path::join(fs.home(), QString::fromLatin1(sub));
        for (const DirEntry& entry : listing(fs, folder)) {
            const QString ext = lowerExtension(entry.name);
            if (ext != QLatin1String("safariextz") && ext != QLatin1String("webextension"))
                continue;
            const QString file = path::join(folder, entry.name);
            if (!firstSeen(taken, path::standardized(file)))
                continue;
            items.append(extensionItem(path::baseName(file), shortenedPath(p, file), file,
                                       sizes::allocatedDiskUsage(fs, file), kSafari, IconRef::fileIcon(file)));
        }
    }
    forEachAppExtension(fs, std::nullopt, [&](const QString& app, const QString& bundle, const QVariantMap& info) {
        if (extensionPoint(info) != QStringLiteral("com.apple.Safari.extension"))
            return;
        if (!firstSeen(taken, path::standardized(bundle)))
            return;
        items.append(extensionItem(bundleTitle(info, bundle), app, bundle, 0, kSafari, IconRef::fileIcon(bundle)));
    });
    return items;
}

QList<RemovableItem> loadBundles(const Platform& p, const QStringList& folders, const QStringList& extensions,
                                 const QString& category)
{
    const FileSystem& fs = p.fs();
    QSet<QString> wanted;
    for (const QString& ext : extensions)
        wanted.insert(ext.toLower());
    QList<RemovableItem> items;
    for (const QString& folder : folders) {
        for (const DirEntry& entry : listing(fs, folder)) {
            if (!wanted.contains(lowerExtension(entry.name)))
                continue;
            const QString bundle = path::join(folder, entry.name);
            items.append(extensionItem(path::baseName(bundle), shortenedPath(p, bundle), bundle,
                                       sizes::quickDiskUsage(fs, bundle), category, IconRef::fileIcon(bundle)));
        }
    }
    return items;
}

QList<RemovableItem> loadScreenSavers(const Platform& p)
{
    return loadBundles(p, {QStringLiteral("/Library/Screen Savers"), path::join(p.fs().home(), QStringLiteral("Library/Screen Savers"))},
                       {QStringLiteral("saver")}, QStringLiteral("Screen Savers"));
}

QList<RemovableItem> loadPreferencePanes(const Platform& p)
{
    return loadBundles(p, {QStringLiteral("/Library/PreferencePanes"), path::join(p.fs().home(), QStringLiteral("Library/PreferencePanes"))},
                       {QStringLiteral("prefPane"), QStringLiteral("prefpane")}, QStringLiteral("Settings Panes"));
}

QList<RemovableItem> loadInternetPlugins(const Platform& p)
{
    const FileSystem& fs = p.fs();
    const QString systemPlugIns = QStringLiteral("/Library/Internet Plug-Ins");
    const QString userPlugIns = path::join(fs.home(), QStringLiteral("Library/Internet Plug-Ins"));
    QList<RemovableItem> items = loadBundles(
        p, {systemPlugIns, userPlugIns, QStringLiteral("/Library/QuickLook"), path::join(fs.home(), QStringLiteral("Library/QuickLook"))},
        {QStringLiteral("plugin"), QStringLiteral("webplugin"), QStringLiteral("qlgenerator")}, kInternetPlugins);
    // Anything else lying in the plug-in folders is listed too.
    QSet<QString> present;
    for (const RemovableItem& item : items)
        present.insert(item.path);
    for (const QString& folder : {systemPlugIns, userPlugIns}) {
        for (const DirEntry& entry : listing(fs, folder)) {
            const QString file = path::standardized(path::join(folder, entry.name));
            if (!firstSeen(present, file))
                continue;
            items.append(extensionItem(path::baseName(file), shortenedPath(p, file), file,
                                       sizes::quickDiskUsage(fs, file), kInternetPlugins, IconRef::fileIcon(file)));
        }
    }
    return items;
}

QList<RemovableItem> loadWidgets(const Platform& p)
{
    const FileSystem& fs = p.fs();
    QList<RemovableItem> items =
        loadBundles(p, {QStringLiteral("/Library/Widgets"), path::join(fs.home(), QStringLiteral("Library/Widgets"))},
                    {QStringLiteral("wdgt"), QStringLiteral("widget")}, kWidgets);
    forEachAppExtension(fs, kWidgetAppLimit, [&](const QString&, const QString& bundle, const QVariantMap& info) {
        const auto point = extensionPoint(info);
        if (!point || !point->toLower().contains(QLatin1String("widget")))
            return;
        items.append(extensionItem(bundleTitle(info, bundle), shortenedPath(p, bundle), bundle,
                                   sizes::quickDiskUsage(fs, bundle), kWidgets, IconRef::fileIcon(bundle)));
    });
    return items;
}

QList<RemovableItem> loadAllExtensions(const Platform& p)
{
    QList<RemovableItem> items = loadInstallationFiles(p);
    items.append(loadBrowserExtensions(p));
    items.append(loadScreenSavers(p));
    items.append(loadPreferencePanes(p));
    items.append(loadInternetPlugins(p));
    items.append(loadWidgets(p));
    NameOrder().stableSort(items, [](const RemovableItem& item) -> const QString& { return item.title; });
    return items;
}

} // namespace tw::extensions
