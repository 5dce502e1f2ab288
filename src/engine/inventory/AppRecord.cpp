// Building one application record and reading its declared document types.

#include "engine/inventory/AppRecord.h"

#include "engine/inventory/DiskSizes.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QSet>

#include <algorithm>

namespace tw::record {

namespace {

const QSet<QString>& builtInIdentifiers()
{
    static const QSet<QString> ids{
        "com.apple.Safari", "com.apple.AppStore", "com.apple.MobileSMS", "com.apple.mail", "com.apple.iCal",
        "com.apple.AddressBook", "com.apple.Maps", "com.apple.iBooksX", "com.apple.Music", "com.apple.TV",
        "com.apple.Photos", "com.apple.FaceTime", "com.apple.news", "com.apple.stocks", "com.apple.Home",
        "com.apple.shortcuts", "com.apple.Notes", "com.apple.reminders", "com.apple.Preview", "com.apple.TextEdit",
        "com.apple.Calculator", "com.apple.Chess", "com.apple.Dictionary", "com.apple.Stickies",
        "com.apple.Image_Capture", "com.apple.QuickTimePlayerX", "com.apple.Terminal", "com.apple.ActivityMonitor",
        "com.apple.Console", "com.apple.DiskUtility", "com.apple.SystemPreferences", "com.apple.systempreferences",
        "com.apple.finder", "com.apple.dock", "com.apple.PhotoBooth", "com.apple.Automator", "com.apple.VoiceMemos",
        "com.apple.clock", "com.apple.weather", "com.apple.freeform", "com.apple.AccessibilitySettings",
        "com.apple.screencaptureui", "com.apple.ScriptEditor2", "com.apple.FontBook", "com.apple.DigitalColorMeter",
        "com.apple.grapher", "com.apple.BluetoothFileExchange", "com.apple.backup.launcher",
        "com.apple.AirportUtility", "com.apple.AudioMIDISetup", "com.apple.ColorSyncUtility",
        "com.apple.KeychainAccess", "com.apple.MigrateAssistant", "com.apple.Print_Proxy", "com.apple.ScreenSharing",
        "com.apple.SystemProfiler", "com.apple.VoiceOver", "com.apple.helpviewer", "com.apple.CaptureContinuity",
        "com.apple.tips", "com.apple.podcasts", "com.apple.findmy", "com.apple.games", "com.apple.Passwords",
        "com.apple.SafariTechnologyPreview"};
    return ids;
}

// First letter of each white-space separated word upper case, the rest lower case.
QString capitalized(const QString& s)
{
    QString out = s.toLower();
    bool wordStart = true;
    for (QChar& c : out) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return out;
}

QString developerFrom(const std::optional<QVariantMap>& info, const QString& bundleId)
{
    if (info) {
        const auto copyright = plist::string(*info, QStringLiteral("NSHumanReadableCopyright"));
        if (copyright && !copyright->isEmpty())
            return *copyright;
    }
    const QStringList pieces = bundleId.split(u'.', Qt::SkipEmptyParts);
    return pieces.size() >= 2 ? capitalized(pieces[1]) : QStringLiteral("Unknown");
}

} // namespace

AppDraft buildAppInfo(const Platform& p, const QString& bundle, Sizing sizing, const DiskUsage::Watch* sizeWatch)
{
    const FileSystem& fs = p.fs();
    const auto info = plist::readDictionary(fs, bundle + QStringLiteral("/Contents/Info.plist"));
    const QString fileName = path::baseName(bundle);
    auto text = [&](const char* key) { return info ? plist::string(*info, QLatin1String(key)) : std::nullopt; };

    AppFields f;
    f.bundleIdentifier = text("CFBundleIdentifier").value_or(fileName);
    f.name = text("CFBundleDisplayName").value_or(text("CFBundleName").value_or(fileName));
    f.version = text("CFBundleShortVersionString").value_or(QString());
    f.developer = developerFrom(info, f.bundleIdentifier);
    f.icon = IconRef::fileIcon(bundle);
    f.path = bundle;
    f.isSystemApp = isBuiltInOrSystemApp(bundle, f.bundleIdentifier);
    // Dates first: walking the bundle for its size touches access times.
    f.lastUsed = resolvedLastUsed(p, bundle);
    f.appSize = sizing == Sizing::Quick ? sizes::quickDiskUsage(fs, bundle, sizeWatch) : sizes::directorySize(fs, bundle);
    return {std::move(f), {}};
}

bool isBuiltInOrSystemApp(const QString& path, const QString& bundleId)
{
    return path.startsWith(QLatin1String("/System"))
        || path.contains(QLatin1String("/System/Applications"))
        || path.contains(QLatin1String("/System/Cryptexes"))
        || builtInIdentifiers().contains(bundleId)
        || (path.startsWith(QLatin1String("/Applications/Utilities/")) && bundleId.startsWith(QLatin1String("com.apple.")));
}

std::optional<QDateTime> resolvedLastUsed(const Platform& p, const QString& bundle)
{
    const QDateTime earliest = QDateTime::fromSecsSinceEpoch(1100000000, Qt::UTC);
    const QDateTime latest = p.clock().now().addSecs(86400);
    auto valid = [&](const std::optional<QDateTime>& d) { return d && *d >= earliest && *d <= latest; };

    if (const auto used = p.metadata().lastUsedDate(bundle); valid(used))
        return used;
    const auto st = p.fs().stat(bundle);
    if (!st)
        return std::nullopt;
    std::optional<QDateTime> best;
    for (const auto& d : {st->accessed, st->modified, st->changed, st->created})
        if (valid(d) && (!best || *d > *best))
            best = d;
    return best;
}

QStringList documentTypeExtensions(const FileSystem& fs, const QString& bundle)
{
    const auto info = plist::readDictionary(fs, bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return {};
    QSet<QString> found;
    auto add = [&](const QVariant& v) {
        if (v.typeId() != QMetaType::QString)
            return;
        const QString t = v.toString();
        if (!t.isEmpty())
            found.insert(t.startsWith(u'.') ? t : u'.' + t);
    };
    auto dictionaries = [&](const char* key) {
        QList<QVariantMap> out;
        if (const auto list = plist::array(*info, QLatin1String(key)))
            for (const QVariant& entry : *list)
                if (entry.typeId() == QMetaType::QVariantMap)
                    out << entry.toMap();
        return out;
    };
    for (const QVariantMap& type : dictionaries("CFBundleDocumentTypes"))
        if (const auto exts = plist::array(type, QStringLiteral("CFBundleTypeExtensions")))
            for (const QVariant& e : *exts)
                add(e);
    for (const QVariantMap& type : dictionaries("UTExportedTypeDeclarations")) {
        const auto tags = plist::dictionary(type, QStringLiteral("UTTypeTagSpecification"));
        if (!tags)
            continue;
        const QVariant ext = tags->value(QStringLiteral("public.filename-extension"));
        if (ext.typeId() == QMetaType::QVariantList)
            for (const QVariant& e : ext.toList())
                add(e);
        else
            add(ext);
    }
    QStringList out(found.begin(), found.end());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace tw::record
