#include "engine/cleaner/SystemCleaner.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kPrefs = QStringLiteral("/Users/tester/Library/Preferences");

// Lets every loader finish and delivers every result.
void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(SystemCleaner, RemainsScanPublishesItsListCountAndClearsItsState)
{
    FakePlatform fp;
    SystemCleaner cleaner(fp.platform());
    EXPECT_TRUE(cleaner.remainingFiles().isEmpty());
    EXPECT_TRUE(cleaner.startupItems().isEmpty());
    EXPECT_TRUE(cleaner.extensions().isEmpty());
    EXPECT_FALSE(cleaner.isScanningRemaining() || cleaner.isScanningStartup() || cleaner.isScanningExtensions());
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 0);

    fp.tree().write(kPrefs + "/com.alpha.one.plist", "");
    fp.tree().write(kPrefs + "/com.beta.two.plist", "");
    QSignalSpy count(&cleaner, &SystemCleaner::orphanCountChanged);
    cleaner.scanRemainingFiles({}, {}, false);
    EXPECT_TRUE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Looking for remaining files\u2026"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningRemaining(); }, 10000));
    EXPECT_EQ(cleaner.remainingFiles().size(), 2);
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 2);
    EXPECT_EQ(count.count(), 1);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());

    // A scan that finds nothing empties the list and the count.
    cleaner.scanRemainingFiles({"com.alpha.one", "com.beta.two"}, {}, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningRemaining(); }, 10000));
    EXPECT_TRUE(cleaner.remainingFiles().isEmpty());
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 0);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
}

TEST(SystemCleaner, ARunningRemainsScanIsOnlyJoinedWhenForced)
{
    FakePlatform fp;
    fp.tree().write(kPrefs + "/com.alpha.one.plist", "");
    SystemCleaner cleaner(fp.platform());
    QSignalSpy published(&cleaner, &SystemCleaner::remainingFilesChanged);

    cleaner.scanRemainingFiles({}, {}, false);
    cleaner.scanRemainingFiles({}, {}, false);  // ignored: one runs
    settle();
    EXPECT_EQ(published.count(), 1);
    EXPECT_FALSE(cleaner.isScanningRemaining());

    cleaner.scanRemainingFiles({}, {}, false);
    cleaner.scanRemainingFiles({}, {}, true);   // forced: a second one runs
    settle();
    EXPECT_EQ(published.count(), 3);
    EXPECT_FALSE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.remainingFiles().size(), 1);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
}

TEST(SystemCleaner, StartupAndExtensionScansShareTheProgressTextAndHaveNoGuard)
{
    FakePlatform fp;
    SystemCleaner cleaner(fp.platform());
    QSignalSpy startup(&cleaner, &SystemCleaner::startupItemsChanged);
    QSignalSpy extensions(&cleaner, &SystemCleaner::extensionsChanged);

    cleaner.scanRemainingFiles({}, {}, false);
    cleaner.scanStartupItems();
    EXPECT_TRUE(cleaner.isScanningStartup());
    EXPECT_TRUE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Scanning startup items\u2026"));
    cleaner.scanStartupItems();
    cleaner.scanExtensions();
    cleaner.scanExtensions();
    EXPECT_TRUE(cleaner.isScanningExtensions());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Scanning extensions\u2026"));
    settle();
    EXPECT_EQ(startup.count(), 2);
    EXPECT_EQ(extensions.count(), 2);
    EXPECT_FALSE(cleaner.isScanningStartup() || cleaner.isScanningExtensions() || cleaner.isScanningRemaining());
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
}

TEST(SystemCleaner, RemovableItemsAreEqualByPathAlone)
{
    RemovableItem a;
    a.title = QStringLiteral("One");
    a.path = QStringLiteral("/Users/tester/Library/Caches/x");
    RemovableItem b;
    b.title = QStringLiteral("Two");
    b.path = a.path;
    b.isSelected = true;
    RemovableItem c = a;
    c.path = QStringLiteral("/Users/tester/Library/Caches/y");
    EXPECT_NE(a.id, b.id);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_FALSE(a == c);
    EXPECT_EQ(QSet<RemovableItem>({a, b, c}).size(), 2);
}

TEST(SystemCleaner, ExtensionGroupsComeOnlyFromTheirExactNames)
{
    const QStringList names{"Installation Files", "Web Browser Extensions", "Screen Savers",
                            "Settings Panes",     "Internet Plugins",       "Widgets"};
    ASSERT_EQ(allExtensionCategories().size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(displayName(allExtensionCategories()[i]), names[i]);
        EXPECT_EQ(extensionCategoryFromString(names[i]), allExtensionCategories()[i]);
    }
    EXPECT_EQ(extensionCategoryFromString("Widgets"), ExtensionCategoryKind::widgets);
    EXPECT_EQ(extensionCategoryFromString("widgets"), std::nullopt);
    EXPECT_EQ(extensionCategoryFromString("Widgets "), std::nullopt);
    EXPECT_EQ(extensionCategoryFromString("Internet Plug-ins"), std::nullopt);
    EXPECT_EQ(extensionCategoryFromString(""), std::nullopt);
}
