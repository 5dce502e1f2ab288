#pragma once

// A Mac tree holding every kind of extension, for the tab's end-to-end tests.

#include "support/FakePlatform.h"

namespace tw::test {

struct ExtensionTree {
    MacTree& t;
    QString home = t.home();
    QString support, chrome, brave, firefox, savers, plugIns;

    explicit ExtensionTree(FakePlatform& fp)
        : t(fp.tree())
    {
        support = home + "/Library/Application Support";
        chrome = support + "/Google/Chrome";
        brave = support + "/BraveSoftware/Brave-Browser";
        firefox = support + "/Firefox/Profiles/k3x9.default-release/extensions";
        savers = home + "/Library/Screen Savers";
        plugIns = home + "/Library/Internet Plug-Ins";

        // Two browsers, three Chrome profiles.
        chromium(chrome + "/Default/Extensions/aaaa", "uBlock Origin", 40000);
        chromium(chrome + "/Default/Extensions/bbbb", "Grammarly", 90000);
        chromium(chrome + "/Profile 1/Extensions/cccc", "Dark Reader", 12000);
        chromium(chrome + "/Profile 2/Extensions/dddd", "adblock", 12000);
        chromium(brave + "/Default/Extensions/eeee", "Bitwarden", 30000);
        t.writeSized(firefox + "/uBlock0@raymondhill.net.xpi", 70000);
        t.writeSized(firefox + "/{446900e4}.xpi", 5000);
        t.writeSized(home + "/Library/Safari/Extensions/Reader.safariextz", 8000);

        // Installers, screen savers, a settings pane, plug-ins and a widget.
        t.writeSized(home + "/Downloads/Setup.dmg", 300000);
        t.writeSized(home + "/Desktop/Tool.pkg", 20000);
        t.writeSized(home + "/Documents/Old/INSTALL.PKG", 1000);
        t.writeSized(savers + "/Aerial.saver/Contents/MacOS/Aerial", 64000);
        t.writeSized("/Library/Screen Savers/Flurry.saver/Contents/MacOS/Flurry", 16000);
        t.writeSized(home + "/Library/PreferencePanes/Growl.prefPane/Contents/Info.plist", 2000);
        t.writeSized("/Library/Internet Plug-Ins/Java.plugin/Contents/Info.plist", 4000);
        t.writeSized(home + "/Library/Widgets/Weather.wdgt/Info.plist", 3000);
        // The user's plug-in folder is a link into the system's protected extensions.
        t.writeSized("/System/Library/Extensions/Audio.plugin/Contents/Info.plist", 1000);
        t.mkdir(home + "/Library");
        t.symlink(plugIns, t.host("/System/Library/Extensions"));
        t.makeTrash();
    }

    void chromium(const QString& folder, const QString& name, std::int64_t bytes) const
    {
        t.write(folder + "/1.0_0/manifest.json", QStringLiteral(R"({"name": "%1"})").arg(name).toUtf8());
        t.writeSized(folder + "/1.0_0/background.js", bytes);
    }
};

} // namespace tw::test
