#include "views/applications/UninstallRules.h"

#include "engine/inventory/AppScanner.h"

#include "Records.h"
#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::apps;
using namespace tw::test;

namespace {

struct Family {
    AppInfoPtr first = makeApp({"Illustrator", "com.adobe.illustrator", 3'000});
    AppInfoPtr second = makeApp({"Photoshop", "com.adobe.Photoshop", 4'000});
    AppInfoPtr third = makeApp({"Bridge", "com.adobe.bridge", 2'000});
    AppInfoPtr group = makeGroup(QStringLiteral("Adobe"), {first, second, third});
    AppInfoPtr single = makeApp({"Notes", "com.example.notes", 1'000});
    AppInfoPtr stranger = makeApp({"Stranger", "com.example.stranger", 10});
};

// The scanner's list update after an uninstall's moves, with the bundle
// choice the record holds.
bool applyUninstall(AppScanner& scanner, const AppInfoPtr& target, const QStringList& moved, const QStringList& failed = {})
{
    RemovalReport report;
    report.moved = moved;
    for (const QString& p : failed)
        report.failures << RemovalFailure{p, {}, removal::refused()};
    return scanner.applyUninstall(target, target->removeAppBundle() ? BundleRemoval::MoveToTrash : BundleRemoval::Keep,
                                  report);
}

} // namespace

TEST(UninstallTarget, NeverAGroup)
{
    Family f;
    struct Case {
        const char* what;
        AppInfoPtr app, selected;
        std::vector<AppInfoPtr> ticked;
        AppInfoPtr expected;
    };
    const Case cases[] = {
        {"a single application is itself", f.single, f.single, {f.second}, f.single},
        {"a selected member wins over ticks", f.group, f.third, {f.second}, f.third},
        {"the group row: first ticked member", f.group, f.group, {f.third, f.second}, f.second},
        {"the group row: first member when none is ticked", f.group, f.group, {}, f.first},
        {"a selection outside the group does not count", f.group, f.stranger, {f.third}, f.third},
        {"nothing selected", f.group, nullptr, {}, f.first},
    };
    for (const Case& c : cases) {
        for (const AppInfoPtr& m : f.group->members())
            m->setSelected(std::find(c.ticked.begin(), c.ticked.end(), m) != c.ticked.end());
        EXPECT_EQ(uninstallTarget(c.app, c.selected), c.expected) << c.what;
    }
}

TEST(UninstallConfirmation, ExactTextsCountingTickedFilesWithoutGrouping)
{
    Family f;
    for (int i = 0; i < 1234; ++i)
        addLeftover(f.single, QStringLiteral("/Users/tester/Library/Caches/n%1").arg(i), 1'000, i % 2 == 0);
    addLeftover(f.single, QStringLiteral("/Users/tester/Library/Logs/Notes"), 5'000'000, true);
    f.single->setRemoveAppBundle(true);
    const UninstallConfirmation c = uninstallConfirmation(*f.single);
    EXPECT_EQ(c.message, "Uninstall Notes?");
    // 618 ticked files: 617 x 1 KB + 5 MB + the 1 KB bundle = 5,618,000 bytes.
    EXPECT_EQ(c.informative, "Move the app and 618 related file(s) to the Trash, freeing 5.6 MB.");
    // With the bundle not ticked the application stays: the text leaves it out.
    f.single->setRemoveAppBundle(false);
    EXPECT_EQ(uninstallConfirmation(*f.single).informative,
              "Move 618 related file(s) to the Trash, freeing 5.6 MB.");
    const auto nothing = makeApp({"Empty", "e", 0});
    nothing->setRemoveAppBundle(true);
    EXPECT_EQ(uninstallConfirmation(*nothing).informative,
              "Move the app and 0 related file(s) to the Trash, freeing Zero KB.");
}

TEST(UninstallConfirmation, BothTextsStayEnglishInEveryLanguage)
{
    FakePlatform fake;
    SharedState state(fake);
    Family f;
    for (int i = 0; i < 1500; ++i)
        addLeftover(f.single, QStringLiteral("/Users/tester/Library/Caches/n%1").arg(i), 4'000, true);
    // One alert never mixes two languages: German and Arabic read what English does.
    for (AppLanguage language : {AppLanguage::de, AppLanguage::ar, AppLanguage::en}) {
        state.language().setLanguage(language);
        // 1500 files: no digit grouping in either text.
        f.single->setRemoveAppBundle(false);
        EXPECT_EQ(uninstallConfirmation(*f.single).informative, "Move 1500 related file(s) to the Trash, freeing 6 MB.");
        f.single->setRemoveAppBundle(true);
        EXPECT_EQ(uninstallConfirmation(*f.single).message, "Uninstall Notes?");
        EXPECT_EQ(uninstallConfirmation(*f.single).informative,
                  "Move the app and 1500 related file(s) to the Trash, freeing 6 MB.");
    }
}

TEST(ApplyUninstall, BundleGoneLeavesTheListAndEveryGroup)
{
    FakePlatform fp;
    AppScanner scanner(fp.platform());
    Family f;
    auto run = [&](const AppInfoPtr& target) {
        target->setRemoveAppBundle(true);
        QSignalSpy announced(&scanner, &AppScanner::appsChanged);
        const bool cleared = applyUninstall(scanner, target, {target->path()});
        EXPECT_EQ(announced.count(), 1);
        return cleared;
    };
    scanner.setApps({f.single, f.group, f.stranger});

    // A top-level application leaves the list.
    EXPECT_TRUE(run(f.single));
    EXPECT_EQ(names(scanner.apps()), (QStringList{"Adobe", "Stranger"}));

    // A member leaves its group; the group stays and no longer counts its size.
    EXPECT_EQ(f.group->displaySize(), 9'000);
    EXPECT_TRUE(run(f.second));
    EXPECT_EQ(names(scanner.apps()), (QStringList{"Adobe", "Stranger"}));
    EXPECT_EQ(names(QList<AppInfoPtr>(f.group->members().begin(), f.group->members().end())),
              (QStringList{"Illustrator", "Bridge"}));
    EXPECT_EQ(f.group->appSize(), 5'000);
    EXPECT_EQ(f.group->displaySize(), 5'000);

    // The last members take the group with them.
    EXPECT_TRUE(run(f.first));
    EXPECT_TRUE(run(f.third));
    EXPECT_EQ(names(scanner.apps()), (QStringList{"Stranger"}));
}

TEST(ApplyUninstall, AGroupsSizeNeverGoesBelowZero)
{
    FakePlatform fp;
    AppScanner scanner(fp.platform());
    Family f;
    f.group->setAppSize(1'000);  // measured smaller than the member claims
    scanner.setApps({f.group});
    f.second->setRemoveAppBundle(true);
    applyUninstall(scanner, f.second, {f.second->path()});
    EXPECT_EQ(f.group->appSize(), 0);
    EXPECT_EQ(f.group->displaySize(), 5'000);  // the members still there
}

TEST(ApplyUninstall, BundleKeptDropsOnlyTheLeftoversThatMoved)
{
    FakePlatform fp;
    AppScanner scanner(fp.platform());
    Family f;
    scanner.setApps({f.single, f.stranger});
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << addLeftover(f.single, QStringLiteral("/Users/tester/Library/Caches/n%1").arg(i), 10, i < 3)->path();

    // Ticked: 0, 1, 2. Moved: 0 and 2; 1 was skipped or failed; 3 is not ticked.
    std::vector<QString> order;
    QObject::connect(f.single.get(), &AppInfo::changed, [&] { order.push_back(QStringLiteral("record")); });
    QObject::connect(&scanner, &AppScanner::appsChanged, [&] { order.push_back(QStringLiteral("scanner")); });
    const bool cleared = applyUninstall(scanner, f.single, {paths[0], paths[2]}, {paths[1]});

    EXPECT_FALSE(cleared);
    EXPECT_EQ(collect(f.single->leftovers(), [](const LeftoverPtr& l) { return l->path(); }),
              (QStringList{paths[1], paths[3], paths[4]}));
    EXPECT_TRUE(f.single->leftovers().front()->isSelected());  // still ticked, still on disk
    EXPECT_EQ(names(scanner.apps()), (QStringList{"Notes", "Stranger"}));
    EXPECT_EQ(order, (std::vector<QString>{"record", "scanner"}));
}
