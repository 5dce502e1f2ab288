#include "Entries.h"
#include "support/FakePlatform.h"
#include "views/extensions/ExtensionsState.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using tw::test::FakePlatform;
using Kind = ExtensionCategoryKind;

namespace {

// Three browser entries in two groups, two screen savers and an installer.
QList<RemovableItem> sampleList()
{
    return {
        ext("Ad Guard", "Google Chrome Extensions", 300, "Default"),
        ext("Aurora", "Screen Savers", 50),
        ext("Docs", "Google Chrome Extensions", 100, "Profile 1"),
        ext("Drift", "Screen Savers", 0),
        ext("Setup", "Installation Files", 5000),
        ext("Translate", "Safari Extensions", 200, "tester/Library/Safari"),
    };
}

struct StateFixture : ::testing::Test {
    FakePlatform fp;
    SystemCleaner cleaner{fp};

    QStringList selected(const ExtensionsState& s) const { return selectedTitles(cleaner.extensions(), s.selectedPaths()); }
    QString pathOf(const QString& title) const { return tw::test::findBy(cleaner.extensions(), &RemovableItem::title, title)->path; }
};

} // namespace

TEST_F(StateFixture, StartsOnBrowserExtensionsWithNothingSelected)
{
    cleaner.setExtensions(sampleList());
    ExtensionsState s(cleaner);
    EXPECT_EQ(s.selectedCategory(), Kind::browserExtensions);
    EXPECT_TRUE(s.sortByKind());
    EXPECT_EQ(groupText(s.groups()), "Safari Extensions: Translate | Google Chrome Extensions: Ad Guard, Docs");
    EXPECT_EQ(s.selectedCount(), 0);
    EXPECT_FALSE(s.canRemove());
    EXPECT_EQ(s.summary(Kind::browserExtensions), (extensionsview::KindSummary{3, 600}));
    EXPECT_EQ(s.summary(Kind::screenSavers), (extensionsview::KindSummary{2, 50}));
    EXPECT_EQ(s.summary(Kind::widgets), (extensionsview::KindSummary{0, 0}));
}

TEST_F(StateFixture, AppearScansOnlyAnEmptyEngineElseSelectsTheVisibleEntries)
{
    ExtensionsState empty(cleaner);
    empty.appear();
    EXPECT_TRUE(cleaner.isScanningExtensions());
    QSignalSpy done(&cleaner, &SystemCleaner::extensionsChanged);
    ASSERT_TRUE(done.wait(10000));

    cleaner.setExtensions(sampleList());
    ExtensionsState s(cleaner);
    s.appear();
    EXPECT_FALSE(cleaner.isScanningExtensions());
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Docs", "Translate"}));
}

TEST_F(StateFixture, AllSelectedReadsAndWritesOnlyTheVisibleEntries)
{
    cleaner.setExtensions(sampleList());
    ExtensionsState s(cleaner);
    s.setAllSelected(true);
    s.setSelectedCategory(Kind::screenSavers);  // selects Aurora and Drift, drops the rest
    s.setSelectedCategory(Kind::browserExtensions);
    s.toggleSelected(pathOf("Aurora"));     // a hidden entry
    s.toggleSelected(pathOf("Translate"));  // two of three visible entries stay selected
    EXPECT_EQ(s.selectedCount(), 2);
    EXPECT_FALSE(s.allSelected());

    s.setAllSelected(true);
    EXPECT_TRUE(s.allSelected());
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Aurora", "Docs", "Translate"}));

    s.setSearchText("doc");  // Ad Guard and Translate hidden
    s.setAllSelected(false);
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Aurora", "Translate"}));
    EXPECT_EQ(s.selectedCount(), 0);

    s.setSearchText("none of them");
    EXPECT_FALSE(s.allSelected());
    EXPECT_EQ(s.selectedCount(), 0);
    s.setAllSelected(true);  // nothing visible: nothing changes
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Aurora", "Translate"}));

    s.setSearchText("");  // the selection survives the search
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Aurora", "Translate"}));
    EXPECT_EQ(s.selectedCount(), 2);
}

TEST_F(StateFixture, GroupCheckboxTouchesOnlyItsGroup)
{
    cleaner.setExtensions(sampleList());
    ExtensionsState s(cleaner);
    s.toggleSelected(pathOf("Ad Guard"));
    s.toggleSelected(pathOf("Translate"));
    s.toggleSelected(pathOf("Aurora"));
    const auto chrome = s.groups()[1];
    ASSERT_EQ(chrome.name, "Google Chrome Extensions");
    EXPECT_FALSE(s.isGroupSelected(chrome));  // partly selected shows unticked

    s.setGroupSelected(chrome, true);
    EXPECT_TRUE(s.isGroupSelected(chrome));
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Aurora", "Docs", "Translate"}));

    s.setGroupSelected(chrome, false);
    EXPECT_FALSE(s.isGroupSelected(chrome));
    EXPECT_EQ(selected(s), (QStringList{"Aurora", "Translate"}));
    EXPECT_FALSE(s.isGroupSelected({"Empty", {}}));
}

TEST_F(StateFixture, EventsThatReselect)
{
    cleaner.setExtensions(sampleList());
    ExtensionsState s(cleaner);
    s.appear();
    s.toggleSelected(pathOf("Docs"));
    s.toggleCollapsed("Safari Extensions");

    // Search and sort leave the selection and the folded groups alone.
    s.setSearchText("a");
    s.setSortByKind(false);
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Translate"}));
    EXPECT_TRUE(s.isCollapsed("Safari Extensions"));
    EXPECT_EQ(groupText(s.groups()), "Safari Extensions: Translate | Google Chrome Extensions: Ad Guard");

    // A new list of the same length keeps the selection.
    QList<RemovableItem> same = sampleList();
    same[4] = ext("Other Setup", "Installation Files", 1);
    cleaner.setExtensions(same);
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Translate"}));
    EXPECT_TRUE(s.isCollapsed("Safari Extensions"));

    // Another length selects every visible entry, still under the search.
    QList<RemovableItem> longer = sampleList();
    longer << ext("Dark Reader", "Firefox Extensions", 10);
    cleaner.setExtensions(longer);
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Dark Reader", "Translate"}));
    EXPECT_TRUE(s.isCollapsed("Safari Extensions"));

    // Choosing a row of the same kind unfolds the groups but keeps the selection.
    s.toggleSelected(pathOf("Dark Reader"));
    s.chooseCategory(Kind::browserExtensions);
    EXPECT_FALSE(s.isCollapsed("Safari Extensions"));
    EXPECT_EQ(selected(s), (QStringList{"Ad Guard", "Translate"}));

    // Another kind replaces the selection by all of its visible entries.
    s.setSearchText("");
    s.toggleCollapsed("Screen Savers");
    s.chooseCategory(Kind::screenSavers);
    EXPECT_EQ(selected(s), (QStringList{"Aurora", "Drift"}));
    EXPECT_FALSE(s.isCollapsed("Screen Savers"));
}
