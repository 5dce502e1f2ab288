#include "views/applications/ApplicationsState.h"

#include "Records.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// Two single applications and a group of two over a tree where each has one
// leftover, the engines and the tab's state.
struct StateFixture {
    FakePlatform fp;
    AppScanner scanner{fp.platform()};
    SystemCleaner cleaner{fp.platform()};
    std::unique_ptr<ApplicationsState> state;
    AppInfoPtr notes, mail, idle, launcher, python;

    StateFixture()
    {
        auto add = [&](const QString& path, const QString& id, const QString& name) {
            fp.tree().makeApp(path, id, name);
            fp.tree().writeSized(fp.tree().library() + QStringLiteral("/Caches/") + id + QStringLiteral("/cache.db"), 3000);
            return makeApp({name, id, 1000, std::nullopt, path});
        };
        notes = add("/Applications/Notes.app", "com.example.notes", "Notes");
        mail = add("/Applications/Mail.app", "com.example.mail", "Mail");
        idle = add("/Applications/Python 3.12/IDLE.app", "org.python.IDLE", "IDLE");
        launcher = add("/Applications/Python 3.12/Python Launcher.app", "org.python.PythonLauncher", "Python Launcher");
        python = makeGroup(QStringLiteral("Python 3.12"), {idle, launcher});
        scanner.setApps({notes, mail, python});
        state = std::make_unique<ApplicationsState>(scanner, cleaner, fp.settings);
    }

    ~StateFixture() { settle(); }

    // Lets the background leftover scans publish.
    void settle()
    {
        waitForEnginePool();
        QCoreApplication::processEvents();
    }
};

RemovableItem remain(const char* title, bool selected)
{
    RemovableItem r;
    r.title = QString::fromUtf8(title);
    r.path = QStringLiteral("/Users/tester/Library/Preferences/") + r.title;
    r.isSelected = selected;
    return r;
}

} // namespace

TEST(ApplicationsState, StartsFromItsInitialValues)
{
    StateFixture f;
    EXPECT_TRUE(f.state->searchText().isEmpty());
    EXPECT_EQ(f.state->sort(), AppSort::name);
    EXPECT_EQ(f.state->selectedApp(), nullptr);
    EXPECT_FALSE(f.state->selectedRemain().has_value());
    EXPECT_FALSE(f.state->showSearchField());
    EXPECT_FALSE(f.state->isDropTargeted());
    EXPECT_FALSE(f.state->advanceMode());
    EXPECT_EQ(f.state->detailSubject(), nullptr);
}

TEST(ApplicationsState, ClickingASingleApplicationScansOnlyWhileItHasNoLeftovers)
{
    StateFixture f;
    f.state->selectApp(f.notes);
    EXPECT_EQ(f.state->selectedApp(), f.notes);
    EXPECT_TRUE(f.notes->isScanningLeftovers());
    f.settle();
    ASSERT_EQ(f.notes->leftovers().size(), 1);
    EXPECT_FALSE(f.notes->isScanningLeftovers());

    // With leftovers known a click starts nothing.
    f.state->selectApp(f.notes);
    EXPECT_FALSE(f.notes->isScanningLeftovers());

    // An application that has none is scanned on every click.
    f.fp.tree().makeApp(QStringLiteral("/Applications/Bare.app"), QStringLiteral("com.example.bare"), QStringLiteral("Bare"));
    const AppInfoPtr bare = makeApp({"Bare", "com.example.bare", 1000, std::nullopt, "/Applications/Bare.app"});
    for (int click = 0; click < 2; ++click) {
        f.state->selectApp(bare);
        EXPECT_TRUE(bare->isScanningLeftovers()) << click;
        f.settle();
        EXPECT_TRUE(bare->leftovers().isEmpty());
    }
}

TEST(ApplicationsState, AGroupRowTogglesAndScansItsFirstMemberOnly)
{
    StateFixture f;
    QSignalSpy selection(f.state.get(), &ApplicationsState::selectedAppChanged);
    f.state->selectApp(f.python);
    EXPECT_TRUE(f.python->isExpanded());
    EXPECT_EQ(f.state->selectedApp(), f.python);
    EXPECT_TRUE(f.idle->isScanningLeftovers());
    EXPECT_FALSE(f.launcher->isScanningLeftovers());
    EXPECT_FALSE(f.python->isScanningLeftovers());
    f.settle();

    // Collapsing keeps it selected and scans nothing.
    f.idle->setLeftovers({});
    f.state->selectApp(f.python);
    EXPECT_FALSE(f.python->isExpanded());
    EXPECT_EQ(f.state->selectedApp(), f.python);
    EXPECT_FALSE(f.idle->isScanningLeftovers());
    EXPECT_EQ(selection.count(), 1);

    // The detail shows the first ticked member, else the first member.
    EXPECT_EQ(f.state->detailSubject(), f.idle);
    f.launcher->setSelected(true);
    EXPECT_EQ(f.state->detailSubject(), f.launcher);
}

TEST(ApplicationsState, AMemberRowExpandsSelectsAndScans)
{
    StateFixture f;
    f.state->selectMember(f.launcher, f.python);
    EXPECT_TRUE(f.python->isExpanded());
    EXPECT_EQ(f.state->selectedApp(), f.launcher);
    EXPECT_EQ(f.state->detailSubject(), f.launcher);
    EXPECT_TRUE(f.launcher->isScanningLeftovers());
    EXPECT_FALSE(f.idle->isScanningLeftovers());
    f.settle();
    // A member row never collapses its group.
    f.state->selectMember(f.launcher, f.python);
    EXPECT_TRUE(f.python->isExpanded());
    EXPECT_FALSE(f.launcher->isScanningLeftovers());
}

TEST(ApplicationsState, SearchSortAndSegmentsLeaveTheSelectionAlone)
{
    StateFixture f;
    f.state->selectApp(f.notes);
    f.state->toggleSearchField();
    f.state->setSearchText(QStringLiteral("python"));
    EXPECT_EQ(names(f.state->filteredApps()), (QStringList{"Python 3.12"}));
    // Hiding the field keeps the filter.
    f.state->toggleSearchField();
    EXPECT_FALSE(f.state->showSearchField());
    EXPECT_EQ(names(f.state->filteredApps()), (QStringList{"Python 3.12"}));
    f.state->setSort(AppSort::size);
    EXPECT_EQ(f.state->selectedApp(), f.notes);
    EXPECT_EQ(f.state->detailSubject(), f.notes);  // the row is hidden, the detail is not
    f.state->setSearchText({});
    EXPECT_EQ(f.state->filteredApps().size(), 3);
}

TEST(ApplicationsState, AdvanceModeIsStoredAndReadBack)
{
    StateFixture f;
    QSignalSpy changed(f.state.get(), &ApplicationsState::advanceModeChanged);
    f.state->setAdvanceMode(true);
    f.state->setAdvanceMode(true);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(f.fp.settings.value(QStringLiteral("advanceModeEnabled")), QVariant(true));
    // A new workspace starts from the stored value.
    ApplicationsState again(f.scanner, f.cleaner, f.fp.settings);
    EXPECT_TRUE(again.advanceMode());
    again.setAdvanceMode(false);
    EXPECT_EQ(f.fp.settings.value(QStringLiteral("advanceModeEnabled")), QVariant(false));
    EXPECT_FALSE(ApplicationsState(f.scanner, f.cleaner, f.fp.settings).advanceMode());
}

TEST(ApplicationsState, CanActPerSegment)
{
    StateFixture f;
    EXPECT_FALSE(f.state->canAct(AppsSegment::apps));
    f.state->selectApp(f.mail);
    EXPECT_TRUE(f.state->canAct(AppsSegment::apps));

    EXPECT_FALSE(f.state->canAct(AppsSegment::remains));
    f.cleaner.setRemainingFiles({remain("Evernote", false), remain("Dropbox", true)});
    // A ticked entry hidden by the search still counts.
    f.state->setSearchText(QStringLiteral("Evernote"));
    EXPECT_EQ(f.state->filteredRemains().size(), 1);
    EXPECT_TRUE(f.state->canAct(AppsSegment::remains));
}

TEST(ApplicationsState, RemainsRowsActByIdOnTheListAsItIsNow)
{
    StateFixture f;
    f.cleaner.setRemainingFiles({remain("Evernote", false), remain("Dropbox", true)});
    const RemovableItem evernote = f.cleaner.remainingFiles()[0];
    const RemovableItem dropbox = f.cleaner.remainingFiles()[1];
    f.state->selectRemain(dropbox.id);
    ASSERT_TRUE(f.state->selectedRemain().has_value());
    EXPECT_EQ(f.state->selectedRemain()->title, "Dropbox");

    // A tick writes that very entry of the cleaner's list, and no other.
    f.state->setRemainTicked(evernote.id, true);
    EXPECT_TRUE(f.cleaner.remainingFiles()[0].isSelected);
    EXPECT_TRUE(f.state->isRemainTicked(evernote.id));
    f.state->setRemainTicked(dropbox.id, false);
    EXPECT_TRUE(f.cleaner.remainingFiles()[0].isSelected);
    EXPECT_FALSE(f.cleaner.remainingFiles()[1].isSelected);

    // A rescan publishes a shorter list: the selection is a copy, and a row of
    // an entry that is gone neither selects nor ticks another one.
    f.cleaner.setRemainingFiles({remain("Zoom", false)});
    EXPECT_EQ(f.state->selectedRemain()->title, "Dropbox");
    QSignalSpy changes(&f.cleaner, &SystemCleaner::remainingFilesChanged);
    f.state->selectRemain(evernote.id);
    f.state->setRemainTicked(evernote.id, true);
    f.state->setRemainTicked(dropbox.id, true);
    EXPECT_EQ(f.state->selectedRemain()->title, "Dropbox");
    EXPECT_FALSE(f.state->isRemainTicked(evernote.id));
    EXPECT_FALSE(f.cleaner.remainingFiles()[0].isSelected);
    EXPECT_EQ(changes.count(), 0);
}
