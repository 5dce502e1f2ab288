#include "support/Collect.h"
#include "support/ShellHarness.h"
#include "views/network/NetworkState.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace tw::test {
namespace {

class NetworkStateTest : public ::testing::Test {
protected:
    ShellHarness shell;

    void SetUp() override
    {
        MacTree& tree = shell.fake.tree();
        tree.makeApp("/Applications/Notes Pro.app", "com.example.notes", "Notes Pro");
        tree.makeApp("/Applications/Bärwald.app", "com.example.baerwald", "Bärwald");
        tree.makeApp("/Applications/Zed.app", "com.example.zed", "Zed");
        tree.makeApp("/System/Applications/Notes.app", "com.apple.Notes", "Notes");
        tree.makeApp("/Applications/Utilities/Terminal.app", "com.apple.Terminal", "Terminal");
        shell.scanner->scanInstalledApps();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.scanner->isScanning(); }, 10000));
    }
    static QStringList names(const QList<AppInfoPtr>& apps) { return collect(apps, [](const AppInfoPtr& a) { return a->name(); }); }
};

TEST_F(NetworkStateTest, ListsOnlyTheUsersApplicationsAndFiltersThemByName)
{
    NetworkState state(*shell.scanner, shell.fake.platform().workspace());
    EXPECT_EQ(names(state.apps()), QStringList({"Bärwald", "Notes Pro", "Zed"}));

    const QList<std::pair<QString, QStringList>> searches{
        {"notes", {"Notes Pro"}},      // never the system's Notes
        {"BÄR", {"Bärwald"}},             // case-insensitive beyond ASCII
        {"example", {}},               // names only, not identifiers
        {" pro", {"Notes Pro"}},
        {"pro ", {}},                  // not trimmed
        {"terminal", {}},
        {"", {"Bärwald", "Notes Pro", "Zed"}},
    };
    for (const auto& [search, expected] : searches) {
        state.setSearchText(search);
        EXPECT_EQ(names(state.apps()), expected) << search.toStdString();
    }

    // A family group is one row; its members are not listed.
    AppInfoPtr suite = AppInfo::make({"Office", "", "/Applications/Office"});
    suite->setMembers({AppInfo::make({"Writer", "com.example.writer", "/Applications/Office/Writer.app"})});
    shell.scanner->setApps(QList<AppInfoPtr>(shell.scanner->apps()) << suite);
    EXPECT_EQ(names(state.apps()), QStringList({"Bärwald", "Notes Pro", "Zed", "Office"}));
    state.setSearchText("writer");
    EXPECT_TRUE(state.apps().isEmpty());
}

TEST_F(NetworkStateTest, SelectionIsTheRecordAndOutlivesSearchAndRescan)
{
    NetworkState state(*shell.scanner, shell.fake.platform().workspace());
    QSignalSpy selection(&state, &NetworkState::selectionChanged);
    EXPECT_FALSE(state.selected());
    const AppInfoPtr zed = state.apps().last();
    state.select(zed);
    state.select(zed);
    EXPECT_EQ(selection.size(), 1);
    state.setSearchText("notes");
    EXPECT_FALSE(state.apps().contains(zed));
    EXPECT_EQ(state.selected(), zed);

    // A new scan replaces the records; the old one stays selected, unlisted.
    QSignalSpy listed(&state, &NetworkState::appsChanged);
    state.setSearchText("");
    shell.scanner->scanInstalledApps();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.scanner->isScanning(); }, 10000));
    EXPECT_GE(listed.size(), 2);
    EXPECT_EQ(names(state.apps()), QStringList({"Bärwald", "Notes Pro", "Zed"}));
    EXPECT_FALSE(state.apps().contains(zed));
    EXPECT_EQ(state.selected(), zed);
}

} // namespace
} // namespace tw::test
