#include "Items.h"
#include "engine/cleaner/Extensions.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/DiskUsage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QByteArray png()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray json(const QJsonObject& o)
{
    return QJsonDocument(o).toJson();
}

// A file whose apparent size is bytes but which takes (almost) no disk space.
void writeSparse(const MacTree& t, const QString& path, qint64 bytes)
{
    t.write(path, {});
    QFile f(t.host(path));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(bytes));
}

void makeAppex(const MacTree& t, const QString& bundle, const QVariantMap& info)
{
    t.mkdir(bundle + "/Contents/MacOS");
    t.writePlist(bundle + "/Contents/Info.plist", info);
}

QVariantMap appexInfo(const QString& point, const QString& displayName, const QString& name)
{
    QVariantMap info{{"NSExtension", QVariantMap{{"NSExtensionPointIdentifier", point}}}};
    if (!displayName.isNull())
        info.insert("CFBundleDisplayName", displayName);
    if (!name.isNull())
        info.insert("CFBundleName", name);
    return info;
}

} // namespace

TEST(Extensions, InstallationFilesFromTheThreeFolders)
{
    FakePlatform fp;
    auto& t = fp.tree();
    const QString home = t.home();
    t.writeSized(home + "/Downloads/Setup.DMG", 5000);
    t.setModified(home + "/Downloads/Setup.DMG", QDateTime(QDate(2025, 6, 1), QTime(8, 0), Qt::UTC));
    t.writeSized(home + "/Downloads/.hidden.dmg", 10);
    t.writeSized(home + "/Downloads/readme.txt", 10);
    t.writeSized(home + "/Desktop/Installer.pkg/Contents/Archive.pax", 3000);
    t.writeSized(home + "/Desktop/Installer.pkg/Contents/Inner.pkg", 100);
    t.writeSized(home + "/Documents/nested/deep/tool.pkg", 100);
    t.writeSized(home + "/Movies/movie.dmg", 100);

    const QList<RemovableItem> items = extensions::loadInstallationFiles(fp);
    EXPECT_EQ(titles(items), (QStringList{"Setup", "Installer", "Inner", "tool"}));
    const RemovableItem& setup = items[0];
    EXPECT_EQ(row(setup), "Setup | Installation Files | tester/Downloads/Setup.DMG | on |  | -");
    EXPECT_EQ(setup.path, home + "/Downloads/Setup.DMG");
    EXPECT_EQ(setup.size, 5120);
    EXPECT_EQ(setup.modifiedDate, std::optional<QDateTime>(QDateTime(QDate(2025, 6, 1), QTime(8, 0), Qt::UTC)));
    EXPECT_EQ(setup.icon, IconRef::fileIcon(home + "/Downloads/Setup.DMG"));
    EXPECT_TRUE(setup.isSelected);
    // A package folder is taken whole, with the size of its contents.
    EXPECT_EQ(items[1].path, home + "/Desktop/Installer.pkg");
    EXPECT_EQ(items[1].size, 4096);
    EXPECT_EQ(items[3].subtitle, "tester/Documents/nested/deep/tool.pkg");
}

TEST(Extensions, InstallationFileWalkStopsAfterEightThousandEntries)
{
    FakePlatform fp;
    auto& t = fp.tree();
    const QString desktop = t.home() + "/Desktop";
    t.mkdir(desktop);
    for (int i = 0; i < 7999; ++i)
        QFile(t.host(desktop + QString("/a%1.txt").arg(i, 4, 10, QChar('0')))).open(QIODevice::WriteOnly);
    t.writeSized(desktop + "/b.dmg", 1);  // the 8000th entry
    t.writeSized(desktop + "/c.dmg", 1);  // the 8001st
    t.writeSized(t.home() + "/Documents/d.dmg", 1);  // the next root starts its own count
    EXPECT_EQ(titles(extensions::loadInstallationFiles(fp)), (QStringList{"b", "d"}));
}

TEST(Extensions, ChromiumExtensionsReadNamesIconsAndSizes)
{
    FakePlatform fp;
    auto& t = fp.tree();
    const QString support = t.home() + "/Library/Application Support";
    const QString chrome = support + "/Google/Chrome";

    // Versions 9.0 and 10.0: 9.0 is the greater text, and gives name and icon.
    const QString ext = chrome + "/Default/Extensions/abcdefghijklmnop";
    t.write(ext + "/9.0/manifest.json",
            json({{"name", "__MSG_appName__"}, {"icons", QJsonObject{{"16", "img/i16.png"}, {"128", "img/i128.png"}}}}));
    t.write(ext + "/9.0/_locales/en_US/messages.json", json({{"appName", QJsonObject{{"message", "Sample Extension"}}}}));
    t.write(ext + "/9.0/_locales/en_GB/messages.json", json({{"appName", QJsonObject{{"message", "British"}}}}));
    t.write(ext + "/9.0/img/i128.png", png());
    t.write(ext + "/9.0/img/i16.png", png());
    t.write(ext + "/10.0/manifest.json", json({{"name", "Newer By Number"}}));
    writeSparse(t, ext + "/10.0/big.bin", 8 << 20);
    t.writeSized(ext + "/10.0/data.bin", 20000);
    t.mkdir(ext + "/Temp");

    // The key spelled differently in the messages: the identifier.
    const QString spelled = chrome + "/Profile 5/Extensions/spelledwrong";
    t.write(spelled + "/1.0/manifest.json", json({{"name", "__MSG_appName__"}}));
    t.write(spelled + "/1.0/_locales/en/messages.json", json({{"appname", QJsonObject{{"message", "Lower"}}}}));
    // No closing underscores: the identifier.
    const QString unclosed = support + "/Microsoft Edge/Profile 1/Extensions/unclosedmsg";
    t.write(unclosed + "/2.0/manifest.json", json({{"name", "__MSG_appName"}}));
    // icon.png beats the manifest's icons; a broken image is passed over.
    const QString withIcon = support + "/BraveSoftware/Brave-Browser/Default/Extensions/withicon";
    t.write(withIcon + "/3.0/manifest.json", json({{"name", "Iconic"}, {"icons", QJsonObject{{"128", "m.png"}}}}));
    t.write(withIcon + "/3.0/icon.png", png());
    t.write(withIcon + "/3.0/m.png", png());
    const QString broken = support + "/Arc/User Data/Default/Extensions/brokenicon";
    t.write(broken + "/1.0/manifest.json", json({{"name", "Broken"}, {"icons", QJsonObject{{"48", "x.png"}, {"odd", "y.png"}}}}));
    t.write(broken + "/1.0/icon.png", "not an image at all");
    t.write(broken + "/1.0/icon128.png", QByteArray());
    t.write(broken + "/1.0/x.png", png().left(20));
    t.write(broken + "/1.0/y.png", png());
    // Icons that are not all texts: no manifest icon; the browser's folder icon.
    const QString odd = support + "/Vivaldi/Default/Extensions/oddicons";
    t.write(odd + "/1.0/manifest.json", json({{"name", "Odd"}, {"icons", QJsonObject{{"16", 16}, {"128", "i.png"}}}}));
    t.write(odd + "/1.0/i.png", png());
    // Only Temp, or nothing: no entry. A seventh profile is not read.
    t.mkdir(support + "/com.operasoftware.Opera/Default/Extensions/onlytemp/Temp");
    t.mkdir(support + "/com.operasoftware.Opera/Default/Extensions/empty");
    t.write(support + "/com.operasoftware.Opera/Profile 6/Extensions/late/1.0/manifest.json", json({{"name", "Late"}}));
    t.write(support + "/com.operasoftware.Opera/Profile 4/Extensions/opera/1.0/manifest.json", json({{"name", "Opera Ext"}}));

    const QList<RemovableItem> items = extensions::loadBrowserExtensions(fp);
    EXPECT_EQ(titles(items), (QStringList{"Sample Extension", "spelledwrong", "unclosedmsg", "Iconic", "Broken", "Odd",
                                          "Opera Ext"}));
    EXPECT_EQ(categories(items),
              (QStringList{"Google Chrome Extensions", "Google Chrome Extensions", "Microsoft Edge Extensions",
                           "Brave Extensions", "Arc Extensions", "Vivaldi Extensions", "Opera Extensions"}));

    const RemovableItem& sample = items[0];
    EXPECT_EQ(sample.path, ext);
    EXPECT_EQ(sample.subtitle, QString::fromUtf8("tester/Library/Application Support/Goog\u2026"));
    EXPECT_EQ(sample.icon, IconRef::imageFile(ext + "/9.0/img/i128.png"));
    // Allocated size of all versions: the sparse file adds (almost) nothing, the data file does.
    const auto usage = DiskUsage::measure(fp.fs(), ext);
    ASSERT_TRUE(usage);
    EXPECT_EQ(sample.size, usage->allocatedKiBBytes());
    EXPECT_GE(sample.size, 20480);
    EXPECT_LT(sample.size, 1 << 20);
    EXPECT_EQ(sample.modifiedDate, std::nullopt);

    EXPECT_EQ(items[1].icon, IconRef::fileIcon(chrome));
    EXPECT_EQ(items[3].icon, IconRef::imageFile(withIcon + "/3.0/icon.png"));
    EXPECT_EQ(items[4].icon, IconRef::imageFile(broken + "/1.0/y.png"));
    EXPECT_EQ(items[5].icon, IconRef::fileIcon(support + "/Vivaldi"));

    // The name reader on its own: locales in order, exact key, odd manifests.
    const auto name = [&](const QString& manifest) { return extensions::chromiumExtensionName(fp, manifest); };
    EXPECT_EQ(name(ext + "/9.0/manifest.json"), std::optional<QString>("Sample Extension"));
    t.write(ext + "/9.0/_locales/en/messages.json", json({{"appName", QJsonObject{{"message", 7}}}}));
    EXPECT_EQ(name(ext + "/9.0/manifest.json"), std::optional<QString>("Sample Extension"));
    t.write(ext + "/9.0/_locales/en/messages.json", json({{"appName", QJsonObject{{"message", "Plain English"}}}}));
    EXPECT_EQ(name(ext + "/9.0/manifest.json"), std::optional<QString>("Plain English"));
    for (const QByteArray manifest : {"[\"name\"]", "{\"name\": 3}", "{\"name\": \"__MSG___\"}"}) {
        t.write(ext + "/x/manifest.json", manifest);
        EXPECT_EQ(name(ext + "/x/manifest.json"), std::nullopt) << manifest.constData();
    }
    EXPECT_EQ(name(ext + "/missing/manifest.json"), std::nullopt);
}

TEST(Extensions, SafariAndFirefoxExtensions)
{
    FakePlatform fp;
    auto& t = fp.tree();
    const QString home = t.home();
    t.writeSized(home + "/Library/Safari/Extensions/Old.safariextz", 100);
    t.writeSized(home + "/Library/Safari/Extensions/notes.txt", 100);
    t.writeSized(home + "/Library/Safari/AppExtensions/New.WebExtension/x", 100);
    t.makeApp("/Applications/Host.app", "com.host", "Host");
    makeAppex(t, "/Applications/Host.app/Contents/PlugIns/Blocker.appex",
              appexInfo("com.apple.Safari.extension", "Ad Blocker", "Blocker Name"));
    makeAppex(t, "/Applications/Host.app/Contents/PlugIns/Named.appex",
              appexInfo("com.apple.Safari.extension", QString(), "By Name"));
    makeAppex(t, "/Applications/Host.app/Contents/PlugIns/Empty.appex",
              appexInfo("com.apple.Safari.extension", "", "Not Used"));
    makeAppex(t, "/Applications/Host.app/Contents/PlugIns/Content.appex",
              appexInfo("com.apple.Safari.content-blocker", "Content", QString()));
    t.mkdir("/Applications/Host.app/Contents/PlugIns/NoInfo.appex");
    t.makeApp("/Applications/Plain/Inner.app", "com.inner", "Inner");
    makeAppex(t, "/Applications/Plain/Inner.app/Contents/PlugIns/Deep.appex",
              appexInfo("com.apple.Safari.extension", "Deep", QString()));

    const QString profiles = home + "/Library/Application Support/Firefox/Profiles";
    t.writeSized(profiles + "/abc.default/extensions/addon.xpi", 5000);
    for (const char* f : {"/abc.default/extensions/folder@id/manifest.json", "/abc.default/extensions/.hidden.xpi", "/xyz.dev/other.txt"})
        t.writeSized(profiles + f, 10);

    const QList<RemovableItem> items = extensions::loadBrowserExtensions(fp);
    EXPECT_EQ(titles(items), (QStringList{"Old", "New", "Ad Blocker", "", "By Name", "addon", "folder@id"}));
    EXPECT_EQ(categories(items).mid(0, 5), QStringList(5, "Safari Extensions"));
    EXPECT_EQ(categories(items).mid(5), QStringList(2, "Firefox Extensions"));

    EXPECT_EQ(items[0].subtitle, QString::fromUtf8("tester/Library/Safari/Extensions/Old.sa\u2026"));
    EXPECT_EQ(items[0].icon, IconRef::fileIcon(home + "/Library/Safari/Extensions/Old.safariextz"));
    const RemovableItem& blocker = items[2];
    EXPECT_EQ(blocker.path, "/Applications/Host.app/Contents/PlugIns/Blocker.appex");
    EXPECT_EQ(blocker.subtitle, "/Applications/Host.app");  // the application's full path
    EXPECT_EQ(blocker.size, 0);
    EXPECT_EQ(blocker.icon, IconRef::fileIcon(blocker.path));

    const RemovableItem& addon = items[5];
    EXPECT_EQ(addon.path, profiles + "/abc.default/extensions/addon.xpi");
    EXPECT_EQ(addon.size, sizes::allocatedDiskUsage(fp.fs(), addon.path));
    EXPECT_GE(addon.size, 5120);
}

TEST(Extensions, BundlesPluginsAndWidgets)
{
    FakePlatform fp;
    auto& t = fp.tree();
    const QString lib = t.library();
    t.writeSized("/Library/Screen Savers/Flurry.saver/Contents/x", 5000);
    for (const QString& f : {lib + "/Screen Savers/Drift.SAVER/x", lib + "/Screen Savers/notes.txt",
                             lib + "/PreferencePanes/Foo.prefPane/x", lib + "/PreferencePanes/Bar.PREFPANE/x",
                             QString("/Library/Internet Plug-Ins/Flash.plugin/x"), QString("/Library/Internet Plug-Ins/readme.txt"),
                             lib + "/Internet Plug-Ins/Java.webplugin/x", QString("/Library/QuickLook/Preview.qlgenerator/x"),
                             QString("/Library/QuickLook/other.txt"), QString("/Library/Widgets/Clock.wdgt/x"),
                             lib + "/Widgets/Weather.widget/x"})
        t.writeSized(f, 10);
    writeSparse(t, lib + "/Widgets/Sparse.wdgt/blob", 3 << 20);

    // Widget application extensions: only the first 80 entries of /Applications are examined.
    for (int i = 0; i < 79; ++i)
        t.mkdir(QString("/Applications/a%1.app").arg(i, 2, 10, QChar('0')));
    t.mkdir("/Applications/b.app");
    makeAppex(t, "/Applications/b.app/Contents/PlugIns/Clock Widget.appex",
              appexInfo("com.apple.WidgetKit-extension", QString(), "Clock Face"));
    makeAppex(t, "/Applications/b.app/Contents/PlugIns/Share.appex", appexInfo("com.apple.share-services", "Share", QString()));
    t.mkdir("/Applications/b.app/Contents/PlugIns/Bare.appex");
    t.mkdir("/Applications/c.app");
    makeAppex(t, "/Applications/c.app/Contents/PlugIns/Late.appex", appexInfo("com.apple.widgetkit-extension", "Late", QString()));

    const QList<RemovableItem> savers = extensions::loadScreenSavers(fp);
    EXPECT_EQ(titles(savers), (QStringList{"Flurry", "Drift"}));
    EXPECT_EQ(savers[0].category, "Screen Savers");
    EXPECT_EQ(savers[0].size, 5120);
    EXPECT_EQ(savers[0].subtitle, "/Library/Screen Savers/Flurry.saver");
    EXPECT_EQ(savers[1].subtitle, "tester/Library/Screen Savers/Drift.SAVER");
    EXPECT_EQ(savers[0].icon, IconRef::fileIcon("/Library/Screen Savers/Flurry.saver"));

    const QList<RemovableItem> panes = extensions::loadPreferencePanes(fp);
    EXPECT_EQ(titles(panes), (QStringList{"Bar", "Foo"}));
    EXPECT_EQ(categories(panes), QStringList(2, "Settings Panes"));

    const QList<RemovableItem> plugins = extensions::loadInternetPlugins(fp);
    EXPECT_EQ(titles(plugins), (QStringList{"Flash", "Java", "Preview", "readme"}));
    EXPECT_EQ(categories(plugins), QStringList(4, "Internet Plugins"));

    const QList<RemovableItem> widgets = extensions::loadWidgets(fp);
    EXPECT_EQ(titles(widgets), (QStringList{"Clock", "Sparse", "Weather", "Clock Face"}));
    EXPECT_EQ(categories(widgets), QStringList(4, "Widgets"));
    EXPECT_EQ(widgets[1].size, 3 << 20);  // apparent size for bundles
    EXPECT_EQ(widgets[3].path, "/Applications/b.app/Contents/PlugIns/Clock Widget.appex");
    EXPECT_EQ(widgets[3].subtitle, QString::fromUtf8("/Applications/b.app/Contents/PlugIns/Cl\u2026"));
}

TEST(Extensions, AllGroupsSortedByTitle)
{
    FakePlatform fp;
    auto& t = fp.tree();
    t.writeSized(t.home() + "/Downloads/clock.dmg", 10);
    t.writeSized("/Library/Widgets/Clock.wdgt/x", 10);
    t.writeSized("/Library/Screen Savers/alpha.saver/x", 10);
    t.writeSized(t.library() + "/PreferencePanes/Zeta.prefPane/x", 10);
    t.write(t.library() + "/Application Support/Google/Chrome/Default/Extensions/id1/1.0/manifest.json",
            json({{"name", "Beta Blocker"}}));
    const QList<RemovableItem> items = extensions::loadAllExtensions(fp);
    EXPECT_EQ(titles(items), (QStringList{"alpha", "Beta Blocker", "clock", "Clock", "Zeta"}));
    EXPECT_EQ(items[2].category, "Installation Files");  // equal titles keep their source order
    EXPECT_EQ(items[3].category, "Widgets");
}

TEST(Extensions, ShortenedPaths)
{
    FakePlatform fp;  // home /Users/tester
    const QString exactly42 = "/Library/" + QString(33, 'x');
    ASSERT_EQ(exactly42.size(), 42);
    const QString of43 = exactly42 + "y";
    EXPECT_EQ(extensions::shortenedPath(fp, of43).size(), 40);
    // Characters, not code units: an emoji is one character and is never cut in half.
    const QString emoji = QString::fromUtf8("\U0001F600");
    const QString fits = "/Library/" + QString(29, 'x') + emoji + "abc";  // 42 characters
    const std::pair<QString, QString> cases[] = {
        {"/Users/tester/Downloads/a.dmg", "tester/Downloads/a.dmg"},
        {"/Users/tester", "tester/"},
        {"/Library/Widgets/x.wdgt", "/Library/Widgets/x.wdgt"},
        // A neighbour whose name merely starts like the home folder is not inside it.
        {"/Users/testers/x", "/Users/testers/x"},
        {exactly42, exactly42},
        {of43, of43.left(39) + QChar(0x2026)},
        {fits + "d", fits.chopped(3) + QChar(0x2026)},  // 43 characters
        {fits, fits},
    };
    for (const auto& [full, shown] : cases)
        EXPECT_EQ(extensions::shortenedPath(fp, full), shown) << full.toStdString();
}
