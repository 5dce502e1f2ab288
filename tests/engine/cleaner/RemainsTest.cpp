#include "engine/cleaner/SystemCleaner.h"
#include "platform/DiskUsage.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kLib = QStringLiteral("/Users/tester/Library");
const QString kPrefs = QStringLiteral("/Users/tester/Library/Preferences");
const QString kSupport = QStringLiteral("/Users/tester/Library/Application Support");

QList<RemovableItem> find(const FakePlatform& fp, const QSet<QString>& ids = {}, const QSet<QString>& names = {})
{
    return SystemCleaner::findOrphans(fp.platform(), ids, names);
}

QStringList titles(const QList<RemovableItem>& items)
{
    QStringList out;
    for (const RemovableItem& i : items)
        out << i.title;
    return out;
}

const RemovableItem* byTitle(const QList<RemovableItem>& items, const QString& title)
{
    for (const RemovableItem& i : items)
        if (i.title == title)
            return &i;
    return nullptr;
}

std::int64_t duSize(const FakePlatform& fp, const QString& p) { return DiskUsage::measure(fp.fs(), p)->allocatedKiBBytes(); }

} // namespace

TEST(Remains, APreferenceFileWithATeamPrefixBecomesOneEntry)
{
    FakePlatform fp;
    const QString pref = kPrefs + "/ABCDE12345.com.example.tool.plist";
    fp.tree().writeSized(pref, 5000);
    const QDateTime when(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    fp.tree().setModified(pref, when);

    const auto items = find(fp);
    ASSERT_EQ(items.size(), 1);
    const RemovableItem& i = items[0];
    EXPECT_EQ(i.title, "Example");
    EXPECT_EQ(i.category, "Preferences");
    EXPECT_EQ(i.path, pref);
    EXPECT_EQ(i.subtitle, kPrefs);
    EXPECT_EQ(i.relatedPaths, QStringList{pref});
    EXPECT_EQ(i.size, duSize(fp, pref));
    EXPECT_GE(i.size, 5000);
    EXPECT_EQ(i.size % 1024, 0);
    EXPECT_EQ(i.modifiedDate, std::optional<QDateTime>(when));
    EXPECT_FALSE(i.isSelected);
    EXPECT_TRUE(i.isEnabled);
    EXPECT_TRUE(i.icon.isNone());
    EXPECT_TRUE(i.parentName.isEmpty());
    EXPECT_FALSE(i.parentAppPath.has_value());
}

TEST(Remains, FilesOfOneApplicationMergeIntoOneEntry)
{
    FakePlatform fp;
    const QString pref = kPrefs + "/com.example.tool.plist";
    const QString folder = kSupport + "/com.example.tool";
    const QString state = kSupport + "/group.com.example.tool";
    fp.tree().writeSized(pref, 100);
    fp.tree().writeSized(folder + "/db", 20000);
    fp.tree().writeSized(state + "/x", 3000);
    const QDateTime older(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC), newer(QDate(2025, 6, 1), QTime(0, 0), Qt::UTC);
    fp.tree().setModified(pref, older);
    fp.tree().setModified(folder, newer);
    fp.tree().setModified(state, older);

    const auto items = find(fp);
    ASSERT_EQ(items.size(), 1);
    const RemovableItem& i = items[0];
    EXPECT_EQ(i.title, "Example");
    EXPECT_EQ(i.path, pref);  // the first path added
    EXPECT_EQ(i.relatedPaths, (QStringList{pref, folder, state}));
    EXPECT_EQ(i.category, "3 related items");
    EXPECT_EQ(i.size, duSize(fp, pref) + duSize(fp, folder) + duSize(fp, state));
    EXPECT_EQ(i.modifiedDate, std::optional<QDateTime>(newer));
}

TEST(Remains, InstalledApplicationsAndTheirVendorsKeepTheirFiles)
{
    FakePlatform fp;
    fp.tree().write(kPrefs + "/com.example.tool.plist", "");       // vendor of com.example.app
    fp.tree().write(kPrefs + "/com.app.tool.helper.plist", "");    // below an installed identifier
    fp.tree().write(kPrefs + "/org.ab.tool.plist", "");            // above an installed identifier
    fp.tree().write(kPrefs + "/Foo.plist", "");                    // a single label: never
    fp.tree().mkdir(kSupport + "/Acme Studio");
    fp.tree().mkdir(kSupport + "/acme tools");                     // lower-case first letter: never

    const auto all = find(fp);
    EXPECT_EQ(titles(all), (QStringList{"Ab", "Acme Studio", "App", "Example"}));

    const auto some = find(fp, {"com.example.app", "com.app.tool", "org.ab.tool.pro"}, {"AcmeStudio"});
    EXPECT_TRUE(some.isEmpty()) << titles(some).join(", ").toStdString();
}

TEST(Remains, PlatformNoiseAndTheMakersOwnFilesAreNeverOffered)
{
    FakePlatform fp;
    for (const char* name : {"Google", "CrashReporter", "Xcode", "default.store", ".hidden.tool", "group.com.apple.notes",
                             "com.apple.Safari", "Marrowind Helper", "com.marrowind.Tidewell", "systemgroup.com.x"})
        fp.tree().mkdir(kSupport + "/" + QString::fromUtf8(name));
    for (const char* name : {"com.apple.finder.plist", "apple.thing.plist", "com.marrowind.Tidewell.plist",
                             "ABCDE12345.com.apple.weather.plist", "x.com.apple.y.plist"})
        fp.tree().write(kPrefs + "/" + QString::fromUtf8(name), "");
    EXPECT_TRUE(find(fp).isEmpty()) << titles(find(fp)).join(", ").toStdString();

    // An empty or missing library yields nothing either.
    FakePlatform bare;
    EXPECT_TRUE(find(bare).isEmpty());
    bare.tree().mkdir(kPrefs);
    bare.tree().mkdir(kSupport);
    EXPECT_TRUE(find(bare).isEmpty());
}

TEST(Remains, TheVideoEditorsFilesAreOfferedOnlyWhileItIsNotInstalled)
{
    FakePlatform fp;
    const QString scripts = kLib + "/Application Scripts/com.apple.FinalCut.FxAnalyzer";
    const QString container = kLib + "/Containers/com.apple.FinalCut.FxAnalyzer";
    const QString pref = kPrefs + "/com.apple.FinalCut.plist";
    fp.tree().mkdir(scripts);
    fp.tree().writeSized(container + "/Data/cache", 9000);
    fp.tree().write(pref, "prefs");

    const auto items = find(fp, {"com.example.other"});
    ASSERT_EQ(titles(items), (QStringList{"apple.finalcutapp", "lo"}));
    const RemovableItem* editor = byTitle(items, "apple.finalcutapp");
    EXPECT_EQ(editor->relatedPaths, (QStringList{pref, container}));
    EXPECT_EQ(editor->category, "2 related items");
    const RemovableItem* lo = byTitle(items, "lo");
    EXPECT_EQ(lo->category, "Application Scripts");
    EXPECT_EQ(lo->size, 0);
    EXPECT_EQ(lo->path, scripts);

    // A non-empty scripts folder is not offered.
    fp.tree().write(scripts + "/run.scpt", "script");
    EXPECT_EQ(titles(find(fp)), QStringList{"apple.finalcutapp"});

    // Installed: none of its files are remains.
    EXPECT_TRUE(find(fp, {"com.apple.FinalCut"}).isEmpty());
    fp.tree().write(scripts + "/run.scpt", "");
    EXPECT_TRUE(find(fp, {"com.apple.finalcutapp.helper"}).isEmpty());
}

TEST(Remains, EntriesAreSortedByTitleIgnoringCase)
{
    FakePlatform fp;
    fp.tree().mkdir(kSupport + "/Yak");
    fp.tree().mkdir(kSupport + "/x.com.thing");   // kept as its own title
    fp.tree().write(kPrefs + "/com.charlie.y.plist", "");
    fp.tree().mkdir(kSupport + "/net.bravo.z");
    fp.tree().mkdir(kSupport + "/Zeta.savedState");
    EXPECT_EQ(titles(find(fp)), (QStringList{"Bravo", "Charlie", "x.com.thing", "Yak", "Zeta"}));
}

TEST(Remains, OnlyEightToTwelveUpperCaseLettersOrDigitsMakeATeamPrefix)
{
    FakePlatform fp;
    fp.tree().write(kPrefs + "/ABCDEFGH.com.eight.x.plist", "");
    fp.tree().write(kPrefs + "/ABCDEFGHIJ12.com.twelve.x.plist", "");
    fp.tree().write(kPrefs + "/ABCDEFGHIJKLM.com.thirteen.x.plist", "");
    fp.tree().write(kPrefs + "/ABCDEFG.com.seven.x.plist", "");
    fp.tree().write(kPrefs + "/abcdefgh.com.lower.x.plist", "");
    QStringList found = titles(find(fp));
    found.sort();
    EXPECT_EQ(found, (QStringList{"ABCDEFG.com.seven.x", "ABCDEFGHIJKLM.com.thirteen.x", "Eight", "Twelve",
                                  "abcdefgh.com.lower.x"}));
}
