// Creates a sample Mac-shaped tree (applications, leftovers, launch agents,
// extensions, an empty Trash) for running Tidewell on a host that is not a Mac.
//
//   tidewell-sample-tree <folder> [login]

#include "support/MacTree.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

using tw::test::BundleRecipe;
using tw::test::MacTree;

namespace {

struct SampleApp {
    const char* path;
    const char* identifier;
    const char* name;
    const char* version;
    const char* developer;
    int files;
    int fileKiB;
    QRgb color;
};

const SampleApp kApps[] = {
    {"/Applications/Slack.app", "com.tinyspeck.slackmacgap", "Slack", "4.41.105", "Copyright © 2024 Slack Technologies, LLC", 40, 120, 0xff4a154b},
    {"/Applications/Visual Studio Code.app", "com.microsoft.VSCode", "Code", "1.95.3", "", 60, 150, 0xff0078d4},
    {"/Applications/Google Chrome.app", "com.google.Chrome", "Google Chrome", "131.0.6778.86", "Copyright 2024 Google LLC. All rights reserved.", 50, 160, 0xff34a853},
    {"/Applications/Spotify.app", "com.spotify.client", "Spotify", "1.2.50.335", "", 30, 110, 0xff1db954},
    {"/Applications/Figma.app", "com.figma.Desktop", "Figma", "124.6.5", "", 30, 90, 0xfff24e1e},
    {"/Applications/zoom.us.app", "us.zoom.xos", "zoom.us", "6.2.11", "Copyright © 2012-2024 Zoom Video Communications, Inc.", 25, 100, 0xff2d8cff},
    {"/Applications/Rectangle.app", "com.knollsoft.Rectangle", "Rectangle", "0.85", "", 8, 40, 0xff6e6e73},
    {"/Applications/1Password.app", "com.1password.1password", "1Password", "8.10.54", "© AgileBits Inc.", 30, 100, 0xff0572ec},
    {"/Applications/AdGuard.app", "com.adguard.mac.adguard", "AdGuard", "2.16.3", "© Adguard Software Ltd", 20, 80, 0xff68bc71},
    {"/Applications/Adobe/Adobe Photoshop 2025.app", "com.adobe.Photoshop", "Adobe Photoshop 2025", "26.1.0", "© 1990-2024 Adobe", 60, 200, 0xff31a8ff},
    {"/Applications/Adobe/Adobe Illustrator 2025.app", "com.adobe.illustrator", "Adobe Illustrator 2025", "29.1", "© 1987-2024 Adobe", 50, 180, 0xffff9a00},
    {"/Applications/Utilities/iStat Menus.app", "com.bjango.istatmenus", "iStat Menus", "7.02", "", 12, 60, 0xff3a3a3c},
    {"/Applications/Python 3.12/IDLE.app", "org.python.IDLE", "IDLE", "3.12.7", "", 6, 30, 0xff3776ab},
    {"/Applications/Python 3.12/Python Launcher.app", "org.python.PythonLauncher", "Python Launcher", "3.12.7", "", 4, 30, 0xffffd43b},
    {"/Applications/Safari.app", "com.apple.Safari", "Safari", "18.1", "", 10, 50, 0xff1e90ff},
    {"/Users/%1/Applications/Notion.app", "notion.id", "Notion", "4.2.0", "", 30, 100, 0xff000000},
};

QByteArray iconData(QRgb color, const QString& letter)
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
    QLinearGradient g(0, 16, 0, 240);
    g.setColorAt(0, QColor(color).lighter(130));
    g.setColorAt(1, QColor(color));
    p.fillPath(tile, g);
    QFont f = p.font();
    f.setPixelSize(128);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(16, 16, 224, 224), Qt::AlignCenter, letter);
    p.end();
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "icns");
    if (!writer.write(img))
        return {};
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tidewell-sample-tree <folder> [login]\n");
        return 2;
    }
    const QString login = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("user");
    MacTree t(QString::fromLocal8Bit(argv[1]), login);
    const QString home = t.home();
    const QString lib = t.library();

    for (const SampleApp& a : kApps) {
        const QString path = QString::fromUtf8(a.path).replace(QStringLiteral("%1"), login);
        BundleRecipe recipe;
        recipe.identifier = QString::fromUtf8(a.identifier);
        recipe.name = QString::fromUtf8(a.name);
        recipe.version = QString::fromUtf8(a.version);
        recipe.copyright = QString::fromUtf8(a.developer);
        recipe.files = a.files;
        recipe.fileSize = std::int64_t(a.fileKiB) * 1024;
        recipe.binaryPlist = (a.files % 2) == 0;
        recipe.extra.insert(QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon"));
        recipe.extra.insert(QStringLiteral("CFBundleDocumentTypes"),
                          QVariantList{QVariantMap{{QStringLiteral("CFBundleTypeExtensions"), QStringList{QStringLiteral("txt")}}}});
        if (recipe.identifier == QLatin1String("com.google.Chrome"))
            recipe.extra.insert(QStringLiteral("SUFeedURL"), QStringLiteral("https://updates.example.invalid/chrome/appcast.xml"));
        t.makeApp(path, recipe);
        t.write(path + QStringLiteral("/Contents/Resources/AppIcon.icns"), iconData(a.color, recipe.name.left(1)));
    }
    t.makeApp(QStringLiteral("/Applications/Google Chrome.app/Contents/Frameworks/Google Chrome Framework.framework/Helpers/GoogleUpdater.app"),
              QStringLiteral("com.google.GoogleUpdater"), QStringLiteral("GoogleUpdater"), QStringLiteral("131.0"));
    t.write(QStringLiteral("/Applications/Spotify.app/Contents/_MASReceipt/receipt"), "receipt");

    // Leftovers of installed applications.
    const QStringList files{
        lib + QStringLiteral("/Application Support/Slack/storage/root-state.json"),
        lib + QStringLiteral("/Application Support/Slack/Cache/data_1"),
        lib + QStringLiteral("/Caches/com.tinyspeck.slackmacgap/Cache.db"),
        lib + QStringLiteral("/Preferences/com.tinyspeck.slackmacgap.plist"),
        lib + QStringLiteral("/Saved Application State/com.tinyspeck.slackmacgap.savedState/window_1.data"),
        lib + QStringLiteral("/Logs/Slack/main.log"),
        lib + QStringLiteral("/Application Support/Code/User/settings.json"),
        lib + QStringLiteral("/Caches/com.microsoft.VSCode/Cache.db"),
        lib + QStringLiteral("/Preferences/com.microsoft.VSCode.plist"),
        lib + QStringLiteral("/Application Support/Google/Chrome/Default/Preferences"),
        lib + QStringLiteral("/Caches/Google/Chrome/Default/Cache/data_0"),
        lib + QStringLiteral("/Preferences/com.google.Chrome.plist"),
        lib + QStringLiteral("/Application Support/Spotify/prefs"),
        lib + QStringLiteral("/Caches/com.spotify.client/Data/index"),
        lib + QStringLiteral("/Containers/com.figma.Desktop/Data/Library/Preferences/x.plist"),
        lib + QStringLiteral("/HTTPStorages/com.figma.Desktop/httpstorages.sqlite"),
        lib + QStringLiteral("/Group Containers/2BUA8C4S2C.com.1password/Library/Application Support/1Password/Data/1password.sqlite"),
        lib + QStringLiteral("/Preferences/com.knollsoft.Rectangle.plist"),
        lib + QStringLiteral("/Application Support/Adobe/CameraRaw/Settings/a.xmp"),
        lib + QStringLiteral("/Preferences/com.adobe.Photoshop.plist"),
        lib + QStringLiteral("/Logs/zoom.us/zoom_stdout_stderr.log"),
        lib + QStringLiteral("/Preferences/us.zoom.xos.plist"),
        // Remains of applications that are gone.
        lib + QStringLiteral("/Preferences/com.evernote.Evernote.plist"),
        lib + QStringLiteral("/Application Support/Evernote/accounts/db"),
        lib + QStringLiteral("/Preferences/com.getdropbox.dropbox.plist"),
        lib + QStringLiteral("/Application Support/Dropbox/instance1/config.dbx"),
        lib + QStringLiteral("/Preferences/ABCDE12345.com.sketchapp.Sketch.plist"),
        lib + QStringLiteral("/Application Support/Transmit/Favorites.db"),
        lib + QStringLiteral("/Preferences/com.apple.finder.plist"),
        lib + QStringLiteral("/Application Support/CrashReporter/x.plist"),
        // Extensions.
        home + QStringLiteral("/Downloads/Firefox 132.0.dmg"),
        home + QStringLiteral("/Downloads/zoomusInstallerFull.pkg"),
        home + QStringLiteral("/Desktop/Install Figma.dmg"),
        lib + QStringLiteral("/Application Support/Firefox/Profiles/abc123.default-release/extensions/uBlock0@raymondhill.net.xpi"),
        lib + QStringLiteral("/Screen Savers/Aerial.saver/Contents/MacOS/Aerial"),
        QStringLiteral("/Library/Internet Plug-Ins/JavaAppletPlugin.plugin/Contents/Info.plist"),
        lib + QStringLiteral("/PreferencePanes/Growl.prefPane/Contents/Info.plist"),
    };
    int i = 0;
    for (const QString& f : files)
        t.writeSized(f, 2048 + 4096 * (i++ % 7));
    t.makeApp(lib + QStringLiteral("/Caches/com.google.Chrome/unused.app"), QStringLiteral("x.y"), QStringLiteral("x"));
    const QString ext = lib + QStringLiteral("/Application Support/Google/Chrome/Default/Extensions/cjpalhdlnbpafiamejdnhcphjbkeiagm/1.60.0_0");
    t.write(ext + QStringLiteral("/manifest.json"), R"({"name": "uBlock Origin", "version": "1.60.0"})");
    t.writeSized(ext + QStringLiteral("/js/background.js"), 300000);
    // More browser extensions across browsers and profiles, and one of each other kind.
    const struct {
        const char* folder;
        const char* name;
        int bytes;
    } browserExtensions[] = {
        {"Google/Chrome/Default/Extensions/kbfnbcaeplbcioakkpcpgfkobkghlhen", "Grammarly", 240000},
        {"Google/Chrome/Profile 1/Extensions/eimadpbcbfnmbkopoojfekhnkhdbieeh", "Dark Reader", 820000},
        {"Google/Chrome/Profile 1/Extensions/nngceckbapebfimnlniiiahkandclblb", "Bitwarden", 410000},
        {"BraveSoftware/Brave-Browser/Default/Extensions/aapbdbdomjkkjkaonfhkkikfgjllcleb", "Google Translate", 650000},
        {"Microsoft Edge/Default/Extensions/odfafepnkmbhccpbejgmiehpchacaeak", "uBlock Origin", 310000},
    };
    for (const auto& e : browserExtensions) {
        const QString folder = lib + QStringLiteral("/Application Support/") + QLatin1String(e.folder) + QStringLiteral("/1.0.0_0");
        t.write(folder + QStringLiteral("/manifest.json"),
                QStringLiteral(R"({"name": "%1", "version": "1.0.0"})").arg(QLatin1String(e.name)).toUtf8());
        t.writeSized(folder + QStringLiteral("/background.js"), e.bytes);
    }
    t.writeSized(lib + QStringLiteral("/Safari/Extensions/1Password.safariextz"), 120000);
    t.writeSized(lib + QStringLiteral("/Screen Savers/Drift.saver/Contents/MacOS/Drift"), 180000);
    t.writeSized(QStringLiteral("/Library/Screen Savers/Brooklyn.saver/Contents/MacOS/Brooklyn"), 520000);
    t.writeSized(lib + QStringLiteral("/Widgets/Weather.wdgt/Info.plist"), 40000);
    t.writeSized(home + QStringLiteral("/Downloads/GoogleChrome.dmg"), 2300000);

    // Launch agents and daemons.
    auto agent = [&](const QString& path, const QString& label, const QString& program, bool disabled) {
        QVariantMap job{{QStringLiteral("Label"), label},
                        {QStringLiteral("ProgramArguments"), QStringList{program, QStringLiteral("--agent")}},
                        {QStringLiteral("RunAtLoad"), true}};
        if (disabled)
            job.insert(QStringLiteral("Disabled"), true);
        t.writePlist(path, job, label.size() % 2 == 0);
    };
    agent(lib + QStringLiteral("/LaunchAgents/com.google.keystone.agent.plist"), QStringLiteral("com.google.keystone.agent"),
          lib + QStringLiteral("/Google/GoogleSoftwareUpdate/GoogleSoftwareUpdate.bundle/Contents/Resources/GoogleSoftwareUpdateAgent.app/Contents/MacOS/GoogleSoftwareUpdateAgent"), false);
    agent(lib + QStringLiteral("/LaunchAgents/com.spotify.webhelper.plist"), QStringLiteral("com.spotify.webhelper"),
          QStringLiteral("/Applications/Spotify.app/Contents/MacOS/SpotifyWebHelper"), true);
    agent(QStringLiteral("/Library/LaunchAgents/us.zoom.updater.plist"), QStringLiteral("us.zoom.updater"),
          QStringLiteral("/Applications/zoom.us.app/Contents/MacOS/ZoomUpdater"), false);
    agent(QStringLiteral("/Library/LaunchDaemons/com.adobe.acc.installer.v2.plist"), QStringLiteral("com.adobe.acc.installer.v2"),
          QStringLiteral("/Library/PrivilegedHelperTools/com.adobe.acc.installer.v2"), false);
    agent(QStringLiteral("/Library/LaunchDaemons/com.apple.sample.plist"), QStringLiteral("com.apple.sample"),
          QStringLiteral("/usr/libexec/sample"), false);
    t.makeApp(QStringLiteral("/Applications/Rectangle.app/Contents/Library/LoginItems/RectangleLauncher.app"),
              QStringLiteral("com.knollsoft.RectangleLauncher"), QStringLiteral("Rectangle Login Helper"));

    t.makePrivacyDatabase(lib + QStringLiteral("/Application Support/com.apple.TCC/TCC.db"),
                          {{QStringLiteral("us.zoom.xos"), QStringLiteral("kTCCServiceCamera")},
                           {QStringLiteral("us.zoom.xos"), QStringLiteral("kTCCServiceMicrophone")},
                           {QStringLiteral("com.tinyspeck.slackmacgap"), QStringLiteral("kTCCServiceMicrophone")}});
    t.makeTrash();
    std::printf("%s\n", qPrintable(t.hostRoot()));
    return 0;
}
