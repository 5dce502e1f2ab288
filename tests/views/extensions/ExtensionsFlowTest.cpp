#include "Entries.h"
#include "ExtensionTree.h"
#include "views/extensions/ExtensionsState.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using tw::test::ExtensionTree;
using tw::test::FakePlatform;
using Kind = ExtensionCategoryKind;

namespace {

// Every file under a host folder, by relative path, with its bytes.
QMap<QString, QByteArray> contents(const QString& hostFolder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(hostFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            files.insert(QDir(hostFolder).relativeFilePath(f.fileName()), f.readAll());
    }
    return files;
}

struct FlowFixture : ::testing::Test {
    FakePlatform fp;
    ExtensionTree tree{fp};
    SystemCleaner cleaner{fp};
    ExtensionsState s{cleaner};

    void SetUp() override
    {
        QSignalSpy scanned(&cleaner, &SystemCleaner::extensionsChanged);
        s.appear();
        ASSERT_TRUE(scanned.wait(20000));
        ASSERT_FALSE(cleaner.isScanningExtensions());
    }
    QStringList selected() const { return selectedTitles(cleaner.extensions(), s.selectedPaths()); }
    void removeAndWait()
    {
        QSignalSpy done(&s, &ExtensionsState::removalFinished);
        s.removeSelected();
        ASSERT_TRUE(done.wait(20000));
    }
};

} // namespace

TEST_F(FlowFixture, KindsGroupsSearchAndSortsOverTheLoadedTree)
{
    const struct {
        Kind kind;
        int count;
    } counts[] = {{Kind::installationFiles, 3}, {Kind::browserExtensions, 8}, {Kind::screenSavers, 2},
                  {Kind::settingsPanes, 1},     {Kind::internetPlugins, 2},   {Kind::widgets, 1}};
    for (const auto& c : counts) {
        EXPECT_EQ(s.summary(c.kind).count, c.count) << displayName(c.kind).toStdString();
        EXPECT_GT(s.summary(c.kind).totalSize, 0) << displayName(c.kind).toStdString();
    }

    // The scan's new count selected every visible entry.
    EXPECT_EQ(s.selectedCount(), 8);
    EXPECT_EQ(groupText(s.groups()),
              "Safari Extensions: Reader"
              " | Google Chrome Extensions: adblock, Dark Reader, Grammarly, uBlock Origin"
              " | Brave Extensions: Bitwarden"
              " | Firefox Extensions: uBlock0@raymondhill.net, {446900e4}");

    s.setSortByKind(false);
    EXPECT_EQ(groupNames(s.groups()), (QStringList{"Safari Extensions", "Google Chrome Extensions",
                                                   "Brave Extensions", "Firefox Extensions"}));
    EXPECT_EQ(titles(s.groups()[1].items), (QStringList{"Grammarly", "uBlock Origin", "adblock", "Dark Reader"}));

    s.setSearchText("BLOCK");
    EXPECT_EQ(titles(s.categoryItems()), (QStringList{"adblock", "uBlock Origin", "uBlock0@raymondhill.net"}));
    EXPECT_EQ(s.summary(Kind::browserExtensions).count, 8);
    s.setSearchText("tester/Library/Safari");
    EXPECT_EQ(titles(s.categoryItems()), QStringList{"Reader"});
}

TEST_F(FlowFixture, AnUntickOutlivesARescanThatFindsAsManyEntries)
{
    ASSERT_EQ(s.selectedCount(), 8);
    const qsizetype before = cleaner.extensions().size();
    const QString grammarly = tw::test::findBy(cleaner.extensions(), &RemovableItem::title, QStringLiteral("Grammarly"))->path;
    s.toggleSelected(grammarly);
    ASSERT_FALSE(s.isSelected(grammarly));

    QSignalSpy scanned(&cleaner, &SystemCleaner::extensionsChanged);
    s.rescan();
    ASSERT_TRUE(scanned.wait(20000));
    ASSERT_FALSE(cleaner.isScanningExtensions());
    ASSERT_EQ(cleaner.extensions().size(), before);
    EXPECT_FALSE(s.isSelected(grammarly));
    EXPECT_EQ(s.selectedCount(), 7);
}

TEST_F(FlowFixture, RemoveMovesExactlyTheSelectedVisibleEntriesIntoTheTrash)
{
    const QMap<QString, QByteArray> before = contents(tree.t.hostRoot());
    // Only the Chrome group, and a screen saver of another kind that stays.
    s.setAllSelected(false);
    s.setGroupSelected(s.groups()[1], true);
    s.toggleSelected(tree.savers + "/Aerial.saver");
    ASSERT_EQ(s.selectedCount(), 4);
    removeAndWait();

    // Every byte is where it was, but the four Chrome extension folders lie in the Trash.
    QMap<QString, QByteArray> expected;
    const QRegularExpression chromeExtension("^Users/tester/Library/Application Support/Google/Chrome/[^/]+/Extensions/");
    for (auto it = before.begin(); it != before.end(); ++it) {
        QString where = it.key();
        where.replace(chromeExtension, "Users/tester/.Trash/");
        expected.insert(where, it.value());
    }
    EXPECT_EQ(contents(tree.t.hostRoot()), expected);
    EXPECT_EQ(expected.size(), before.size());
    EXPECT_NE(expected, before);

    EXPECT_FALSE(s.removeError().has_value());
    EXPECT_EQ(s.summary(Kind::browserExtensions).count, 4);
    EXPECT_EQ(groupNames(s.groups()), (QStringList{"Safari Extensions", "Brave Extensions", "Firefox Extensions"}));
    // The shorter list selected every remaining visible entry; the screen saver lost its selection.
    EXPECT_EQ(selected(), (QStringList{"Bitwarden", "Reader", "uBlock0@raymondhill.net", "{446900e4}"}));
}

TEST_F(FlowFixture, AProtectedFileBehindALinkIsRefusedAndReported)
{
    s.chooseCategory(Kind::internetPlugins);
    EXPECT_EQ(titles(s.categoryItems()), (QStringList{"Audio", "Java"}));
    ASSERT_EQ(s.selectedCount(), 2);
    removeAndWait();

    ASSERT_TRUE(s.removeError().has_value());
    EXPECT_EQ(*s.removeError(), "Audio");
    EXPECT_TRUE(tree.t.exists("/System/Library/Extensions/Audio.plugin/Contents/Info.plist"));
    EXPECT_FALSE(tree.t.exists("/Library/Internet Plug-Ins/Java.plugin"));
    EXPECT_TRUE(tree.t.exists(tree.home + "/.Trash/Java.plugin/Contents/Info.plist"));
    EXPECT_TRUE(fp.admin->calls.empty());
    // The refused one stays listed and ticked; the next scan lists it again.
    EXPECT_EQ(titles(s.categoryItems()), QStringList{"Audio"});
    EXPECT_EQ(s.selectedCount(), 1);
    QSignalSpy scanned(&cleaner, &SystemCleaner::extensionsChanged);
    s.rescan();
    ASSERT_TRUE(scanned.wait(20000));
    EXPECT_EQ(titles(s.categoryItems()), QStringList{"Audio"});
}
