#include "views/applications/ApplicationsWorkspace.h"

#include "Records.h"
#include "state/AppNavigation.h"
#include "support/ScanGates.h"
#include "support/ShellHarness.h"
#include "views/applications/AdvancedFileTree.h"
#include "views/applications/AppDetailPanel.h"
#include "views/applications/AppListCard.h"
#include "views/applications/AppListController.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/EmptyUninstallPanel.h"
#include "views/applications/FileTreeRows.h"
#include "views/applications/LeftoverFileRow.h"
#include "views/applications/RemainCard.h"
#include "views/applications/RemainDetailPanel.h"
#include "views/applications/RemainsFlow.h"
#include "views/kit/PushButton.h"
#include "views/applications/SortMenuButton.h"
#include "views/applications/UninstallFlow.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/SymbolButton.h"

#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

const QString kTrash = QStringLiteral("/Users/tester/.Trash");

// The tab shown over a discovered tree: Notes (two leftovers), Mail, Zed and
// the Adobe group (Illustrator, Photoshop).
struct TabFixture {
    ShellHarness h;
    std::unique_ptr<ApplicationsWorkspace> w;

    TabFixture()
    {
        MacTree& t = h.fake.tree();
        t.makeTrash();
        const QString lib = t.library();
        t.makeApp("/Applications/Notes.app", "com.example.notes", "Notes", "4.11");
        t.writeSized(lib + "/Caches/com.example.notes/cache.db", 40'000);
        t.writeSized(lib + "/Preferences/com.example.notes.plist", 3'000);
        t.makeApp("/Applications/Mail.app", "com.example.mail", "Mail", "");
        t.makeApp("/Applications/Zed.app", "dev.zed.Zed", "Zed");
        t.makeApp("/Applications/Adobe/Illustrator.app", "com.adobe.illustrator", "Illustrator");
        t.makeApp("/Applications/Adobe/Photoshop.app", "com.adobe.Photoshop", "Photoshop");
        t.writeSized(lib + "/Caches/com.adobe.illustrator/x", 5'000);
        const std::pair<const char*, qint64> used[] = {
            {"/Applications/Zed.app", 1'700'000'000}, {"/Applications/Mail.app", 1'650'000'000},
            {"/Applications/Notes.app", 1'200'000'000}, {"/Applications/Adobe/Illustrator.app", 1'300'000'000},
            {"/Applications/Adobe/Photoshop.app", 1'250'000'000}};
        for (const auto& [path, secs] : used)
            h.fake.metadata.lastUsed.insert(QString::fromUtf8(path), utc(secs));
        // The tab starts on a list whose leftovers the prefetch has filled.
        QSignalSpy prefetched(h.scanner.get(), &AppScanner::prefetchFinished);
        h.scanner->scanInstalledApps();
        drainScans(h.scanner.get(), h.cleaner.get());
        EXPECT_TRUE(prefetched.count() > 0 || prefetched.wait(60000));
        w = std::make_unique<ApplicationsWorkspace>(h.env());
        w->resize(912, 680);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    ~TabFixture()
    {
        w.reset();
        drainScans(h.scanner.get(), h.cleaner.get());
    }

    ApplicationsState& state() const { return w->state(); }
    QStringList rows() const { return names(w->appList().rows()); }

    AppInfoPtr find(const QString& name) const
    {
        for (const AppInfoPtr& a : h.scanner->apps()) {
            if (a->name() == name)
                return a;
            for (const AppInfoPtr& m : a->members())
                if (m->name() == name)
                    return m;
        }
        return nullptr;
    }

    AppListCard* card(const QString& name) const { return w->appList().cardFor(find(name)); }

    void clickEntry(const QString& name) const
    {
        AppListCard* c = card(name);
        ASSERT_NE(c, nullptr) << name.toStdString();
        QTest::mouseClick(c, Qt::LeftButton, {}, c->entryRect().center());
    }

    void clickMember(const QString& group, int i) const
    {
        AppListCard* c = card(group);
        ASSERT_NE(c, nullptr);
        QTest::mouseClick(c, Qt::LeftButton, {}, c->memberRect(i).center());
    }

    void settle() const { drainScans(h.scanner.get(), h.cleaner.get()); }
};

} // namespace

TEST(ApplicationsTab, SearchAndTheThreeOrders)
{
    TabFixture f;
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::apps);
    EXPECT_EQ(f.rows(), (QStringList{"Adobe", "Mail", "Notes", "Zed"}));

    // The toggle shows the field; typing filters at once.
    QTest::mouseClick(f.w->searchToggle(), Qt::LeftButton);
    EXPECT_TRUE(f.state().showSearchField());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.w->searchRow()->height() > 30; }, 10000));
    EXPECT_TRUE(f.w->searchField()->isVisible());
    QTest::keyClicks(f.w->searchField(), "PHOTOSHOP");
    EXPECT_EQ(f.state().searchText(), "PHOTOSHOP");
    EXPECT_EQ(f.rows(), (QStringList{"Adobe"}));
    // Hidden again, the filter stays.
    QTest::mouseClick(f.w->searchToggle(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.w->searchField()->isVisible(); }, 10000));
    EXPECT_EQ(f.rows(), (QStringList{"Adobe"}));
    f.state().setSearchText({});

    const QList<QAction*> entries = f.w->sortButton()->menu()->actions();
    ASSERT_EQ(collect(entries, &QAction::text), (QStringList{"Name", "Size", "Date"}));
    entries[1]->trigger();
    EXPECT_EQ(f.state().sort(), AppSort::size);
    EXPECT_EQ(f.w->sortButton()->order(), AppSort::size);
    EXPECT_EQ(f.rows().front(), "Notes");  // its leftovers make it the largest
    entries[2]->trigger();
    EXPECT_EQ(f.rows(), (QStringList{"Zed", "Mail", "Adobe", "Notes"}));
}

TEST(ApplicationsTab, AGroupOpensAtOnceAndItsCardFollowsInAnAnimation)
{
    TabFixture f;
    const AppInfoPtr adobe = f.find("Adobe");
    const AppInfoPtr illustrator = f.find("Illustrator");
    illustrator->setLeftovers({});
    f.clickEntry("Adobe");
    // The state does not wait for the animation.
    EXPECT_TRUE(adobe->isExpanded());
    EXPECT_EQ(f.state().selectedApp(), adobe);
    EXPECT_TRUE(illustrator->isScanningLeftovers());
    EXPECT_LT(f.card("Adobe")->height(), AppListCard::heightFor(*adobe, 1.0));
    const int open = AppListCard::entryHeight + 2 * AppListCard::memberHeight;
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.card("Adobe")->height() == open; }, 10000));
    EXPECT_EQ(f.card("Adobe")->look(), &CardLook::active);

    // A member row: selected, its card outlined, the group row no longer active.
    f.settle();
    f.clickMember("Adobe", 1);
    EXPECT_EQ(f.state().selectedApp(), f.find("Photoshop"));
    EXPECT_EQ(f.card("Adobe")->look(), &CardLook::outlined);
    EXPECT_EQ(f.w->detailPanel()->app(), f.find("Photoshop"));

    // Another application: the open group keeps its fill, loses its outline.
    f.clickEntry("Mail");
    EXPECT_EQ(f.card("Adobe")->look(), &CardLook::highlighted);
    EXPECT_EQ(f.card("Mail")->look(), &CardLook::active);

    // A click on the open group row folds it and selects it.
    f.clickEntry("Adobe");
    EXPECT_FALSE(adobe->isExpanded());
    EXPECT_EQ(f.state().selectedApp(), adobe);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.card("Adobe")->height() == AppListCard::entryHeight; }, 10000));
    EXPECT_EQ(f.card("Adobe")->look(), &CardLook::active);
}

// From the keyboard a group folds as a tree's node does: Right on its row
// opens it, Left closes it, and neither selects anything.
TEST(ApplicationsTab, RightAndLeftOpenAndCloseAGroupWithoutSelectingIt)
{
    TabFixture f;
    const AppInfoPtr adobe = f.find("Adobe");
    LazyList* list = f.w->appsList();
    list->setFocus(Qt::TabFocusReason);
    const int row = int(f.w->appList().rows().indexOf(adobe));
    ASSERT_GE(row, 0);
    while (list->currentPlace().row < row)
        QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentStop(), f.card("Adobe"));
    ASSERT_FALSE(adobe->isExpanded());
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_TRUE(adobe->isExpanded());
    const int open = AppListCard::entryHeight + 2 * AppListCard::memberHeight;
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.card("Adobe")->height() == open; }, 10000));
    // Down now reaches its members; Up and Left close it again.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentPlace().part, 1);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_FALSE(adobe->isExpanded());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.card("Adobe")->height() == AppListCard::entryHeight; }, 10000));
    EXPECT_EQ(f.state().selectedApp(), nullptr);
    EXPECT_TRUE(list->showsPlace());
}

// On an application's row the arrows go as the row lies on screen: its
// check box stands at the leading side, so Left reaches it left to right and
// Right right to left; the other arrow has nothing there and stays.
TEST(ApplicationsTab, TheArrowsReachARowsCheckBoxOnTheSideItStands)
{
    for (bool rtl : {false, true}) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        TabFixture f;
        if (rtl)
            f.w->setLayoutDirection(Qt::RightToLeft);
        const AppInfoPtr mail = f.find("Mail");
        AppListCard* card = f.card("Mail");
        ASSERT_NE(card, nullptr);
        const bool boxOnTheLeft = card->checkbox()->x() < card->width() / 2;
        ASSERT_EQ(boxOnTheLeft, !rtl);
        LazyList* list = f.w->appsList();
        list->setFocus(Qt::TabFocusReason);
        while (list->currentStop() != card && list->currentPlace().row < f.rows().indexOf("Mail"))
            QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentStop(), card);
        const Qt::Key toBox = rtl ? Qt::Key_Right : Qt::Key_Left;
        const Qt::Key away = rtl ? Qt::Key_Left : Qt::Key_Right;
        QTest::keyClick(list, away);
        EXPECT_EQ(list->currentStop(), card) << "the arrow jumped against itself";
        QTest::keyClick(list, toBox);
        EXPECT_EQ(list->currentStop(), card->checkbox());
        QTest::keyClick(list, Qt::Key_Space);
        EXPECT_TRUE(mail->isSelected());
        QTest::keyClick(list, away);
        EXPECT_EQ(list->currentStop(), card);
        EXPECT_EQ(f.state().selectedApp(), nullptr) << "moving selects nothing";
    }
}

TEST(ApplicationsTab, CheckboxesWriteTheRecordsTheyShow)
{
    TabFixture f;
    const AppInfoPtr adobe = f.find("Adobe");
    adobe->setExpanded(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.card("Adobe")->height() > AppListCard::entryHeight + 90; }, 10000));
    AppListCard* group = f.card("Adobe");
    ASSERT_NE(group, nullptr);

    QTest::mouseClick(group->checkbox(), Qt::LeftButton);
    EXPECT_TRUE(adobe->isSelected());
    for (const AppInfoPtr& m : adobe->members())
        EXPECT_TRUE(m->isSelected() && m->removeAppBundle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return group->memberCheckboxes()[0]->isOn(); }, 10000));

    // A member's box changes that member only.
    QTest::mouseClick(group->memberCheckboxes()[1], Qt::LeftButton);
    EXPECT_FALSE(adobe->members()[1]->isSelected());
    EXPECT_TRUE(adobe->isSelected());
    EXPECT_TRUE(group->checkbox()->isOn());
    // Nothing was selected by the clicks on the boxes.
    EXPECT_EQ(f.state().selectedApp(), nullptr);
}

TEST(ApplicationsTab, SelectingShowsTheDetailAndTheBundleBoxMovesTheSize)
{
    TabFixture f;
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::emptyUninstall);
    EXPECT_FALSE(f.w->actionButton()->isEnabled());
    const AppInfoPtr notes = f.find("Notes");
    notes->setLeftovers({});
    f.clickEntry("Notes");
    EXPECT_TRUE(notes->isScanningLeftovers());
    f.settle();
    ASSERT_EQ(notes->leftovers().size(), 2);
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::application);
    EXPECT_TRUE(f.w->actionButton()->isEnabled());
    EXPECT_EQ(f.w->actionButton()->text(), "Uninstall");
    AppDetailPanel* panel = f.w->detailPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->documentTypesReady(); }, 10000));

    QStringList header = panel->headerTexts();
    EXPECT_EQ(header.mid(0, 4), (QStringList{"Notes", "Apps files and folders", "Developer", "App verification"}));
    EXPECT_EQ(header[4], byteformat::string(notes->totalReclaimableSize()));
    EXPECT_EQ(panel->treeTexts().mid(0, 2), (QStringList{"Executables", "Notes v.4.11|/Applications"}));

    // A user's application comes with its bundle ticked; the row's own box is not.
    AppKitCheckbox* bundle = panel->bundleCheckbox();
    ASSERT_NE(bundle, nullptr);
    EXPECT_TRUE(bundle->isOn());
    EXPECT_FALSE(notes->isSelected());
    const std::int64_t before = notes->totalReclaimableSize();
    QTest::mouseClick(bundle, Qt::LeftButton);
    EXPECT_FALSE(notes->removeAppBundle());
    EXPECT_EQ(notes->totalReclaimableSize(), before - notes->appSize());
    EXPECT_EQ(panel->headerTexts()[4], byteformat::string(before - notes->appSize()));
    EXPECT_FALSE(notes->isSelected());
    QTest::mouseClick(bundle, Qt::LeftButton);
    EXPECT_TRUE(notes->removeAppBundle());
    EXPECT_EQ(panel->headerTexts()[4], byteformat::string(before));
    EXPECT_TRUE(notes->isSelected());  // bundle and every file ticked

    // Advance mode: stored, labelled, and the header shows the values.
    QTest::mouseClick(f.w->advanceSwitch(), Qt::LeftButton);
    EXPECT_TRUE(f.state().advanceMode());
    EXPECT_EQ(f.h.fake.settings.value("advanceModeEnabled"), QVariant(true));
    EXPECT_TRUE(f.w->fullTreeLabel()->isVisible());
    header = panel->headerTexts();
    EXPECT_EQ(header[2], "Developer · " + notes->developer());
    EXPECT_EQ(header[3], "App verification · com.example.notes");
    // While its files are read, advance mode shows only the progress.
    f.state().scanner().scanLeftovers(notes);
    EXPECT_EQ(panel->fileView(), AppDetailPanel::FileView::progress);
    f.settle();
    EXPECT_EQ(panel->fileView(), AppDetailPanel::FileView::advanced);
}

TEST(ApplicationsTab, UninstallThroughTheButtonMovesTheTickedFilesAndUpdatesTheLists)
{
    TabFixture f;
    const AppInfoPtr notes = f.find("Notes");
    f.clickEntry("Notes");
    f.settle();
    notes->applyRootSelection(false);
    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(f.w->actionButton(), Qt::LeftButton);
    f.settle();

    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_EQ(f.h.prompter.asked[0].title, "Uninstall Notes?");
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/Notes.app"));
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes"));
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes.plist"));
    EXPECT_EQ(f.rows(), (QStringList{"Adobe", "Mail", "Zed"}));
    EXPECT_EQ(f.state().selectedApp(), nullptr);
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::emptyUninstall);
    EXPECT_FALSE(f.w->actionButton()->isEnabled());
}

TEST(ApplicationsTab, AnUntouchedApplicationIsUninstalledWholeWithItsFoundFiles)
{
    TabFixture f;
    const AppInfoPtr notes = f.find("Notes");
    // The prefetch found its two files, ticked; the bundle comes ticked as
    // well, while the row's box stays as it was.
    ASSERT_EQ(notes->leftovers().size(), 2);
    EXPECT_TRUE(notes->removeAppBundle());
    EXPECT_FALSE(notes->isSelected());
    EXPECT_FALSE(f.card("Notes")->checkbox()->isOn());
    // A group starts unmarked; its members as applications of their own.
    const AppInfoPtr adobe = f.find("Adobe");
    EXPECT_FALSE(adobe->removeAppBundle());
    EXPECT_FALSE(adobe->isSelected());
    EXPECT_TRUE(f.find("Photoshop")->removeAppBundle());

    // Selected and uninstalled without touching a box.
    f.clickEntry("Notes");
    EXPECT_FALSE(notes->isScanningLeftovers());  // the prefetched files are used
    const QString freed = byteformat::string(notes->appSize() + notes->totalLeftoverSize());
    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(f.w->actionButton(), Qt::LeftButton);
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_EQ(f.h.prompter.asked[0].text, "Move the app and 2 related file(s) to the Trash, freeing " + freed + ".");
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.rows() == QStringList{"Adobe", "Mail", "Zed"}; }, 10000)) << f.rows().join(u',').toStdString();
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/Notes.app"));
    EXPECT_FALSE(f.h.fake.tree().exists("/Applications/Notes.app"));
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes"));
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes.plist"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.state().selectedApp() == nullptr; }, 10000));
    // Nothing else was marked on the way.
    EXPECT_FALSE(f.find("Mail")->isSelected());
    EXPECT_FALSE(adobe->isSelected());
}

TEST(ApplicationsTab, WithTheBundleUntickedOnlyTheTickedFilesGo)
{
    TabFixture f;
    const AppInfoPtr notes = f.find("Notes");
    f.clickEntry("Notes");
    AppDetailPanel* panel = f.w->detailPanel();
    ASSERT_NE(panel, nullptr);
    // The user unticks the bundle's box, and the preferences file.
    QTest::mouseClick(panel->bundleCheckbox(), Qt::LeftButton);
    ASSERT_FALSE(notes->removeAppBundle());
    ASSERT_EQ(notes->leftovers().size(), 2);
    const LeftoverPtr cache = notes->leftovers()[0];
    const LeftoverPtr prefs = notes->leftovers()[1];
    ASSERT_TRUE(prefs->path().endsWith("/Preferences/com.example.notes.plist"));
    prefs->setSelected(false, RootSync::Refresh);

    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(f.w->actionButton(), Qt::LeftButton);
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    // The confirmation promises only the ticked file.
    EXPECT_EQ(f.h.prompter.asked[0].title, "Uninstall Notes?");
    EXPECT_EQ(f.h.prompter.asked[0].text,
              "Move 1 related file(s) to the Trash, freeing " + byteformat::string(cache->size()) + ".");
    EXPECT_TRUE(QTest::qWaitFor([&] { return notes->leftovers() == QList<LeftoverPtr>{prefs}; }, 10000));
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes"));
    EXPECT_FALSE(f.h.fake.tree().exists(kTrash + "/com.example.notes.plist"));
    EXPECT_FALSE(f.h.fake.tree().exists(kTrash + "/Notes.app"));
    EXPECT_TRUE(f.h.fake.tree().exists("/Applications/Notes.app"));
    // The application stays listed and selected, with what it still has.
    EXPECT_EQ(f.rows(), (QStringList{"Adobe", "Mail", "Notes", "Zed"}));
    EXPECT_EQ(f.state().selectedApp(), notes);
    EXPECT_FALSE(notes->removeAppBundle());
}

TEST(ApplicationsTab, WhileTheUninstallRunsAPressDoesNothingAndTheListAnswers)
{
    TabFixture f;
    f.clickEntry("Mail");
    f.settle();
    PushButton* button = f.w->actionButton();
    // The bundle stays (unticked), so the selection (and the enabled button) survive the uninstall.
    f.find("Mail")->setRemoveAppBundle(false);
    f.h.fake.tree().writeSized(f.h.fake.tree().library() + "/Caches/com.example.mail/x", 10);
    f.find("Mail")->setLeftovers({});
    f.state().scanner().scanLeftovers(f.find("Mail"));
    f.settle();
    ASSERT_FALSE(f.find("Mail")->leftovers().isEmpty());
    f.h.prompter.script = {"Uninstall", "Uninstall"};
    {
        // The user clicks the button again, and another row, while the Trash move is held.
        TrashGate gate(f.h.fake);
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0; }, 60000));
        EXPECT_TRUE(button->isBusy());
        EXPECT_FALSE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(f.h.prompter.asked.size(), 1);
        f.clickEntry("Notes");
        EXPECT_EQ(f.state().selectedApp(), f.find("Notes"));
        f.clickEntry("Mail");
    }
    f.settle();
    EXPECT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_TRUE(f.find("Mail")->leftovers().isEmpty());
    EXPECT_EQ(f.state().selectedApp(), f.find("Mail"));
    EXPECT_FALSE(button->isBusy());
    EXPECT_TRUE(button->isEnabled());
    // Clicks after the flow ended work again.
    f.clickEntry("Notes");
    EXPECT_EQ(f.state().selectedApp(), f.find("Notes"));
}

TEST(ApplicationsTab, RemainsSegmentListStatesAndTheTopBarStays)
{
    TabFixture f;
    AppNavigation& nav = f.h.state->navigation();
    QTest::mouseClick(f.w->segmentPicker(), Qt::LeftButton, {},
                      f.w->segmentPicker()->segmentRect(1).center().toPoint());
    EXPECT_EQ(nav.appsSegment(), AppsSegment::remains);
    f.settle();
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::emptyRemains);
    EXPECT_TRUE(f.w->advanceSwitch()->isVisible());
    EXPECT_EQ(f.w->actionButton()->text(), "Remove");
    EXPECT_FALSE(f.w->actionButton()->isEnabled());

    f.h.cleaner->setRemainingFiles({});
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::noRemains);
    EXPECT_TRUE(f.w->scanAgainButton()->isVisible());

    RemovableItem a, b;
    a.title = "Evernote";
    a.path = "/Users/tester/Library/Preferences/com.evernote.Evernote.plist";
    b.title = "Dropbox";
    b.path = "/Users/tester/Library/Application Support/Dropbox";
    b.isSelected = true;
    f.h.cleaner->setRemainingFiles({a, b});
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::remains);
    EXPECT_EQ(f.w->remainsList()->count(), 2);
    EXPECT_TRUE(f.w->actionButton()->isEnabled());
    // A search that matches no remains shows an empty list, not the empty state.
    f.state().setSearchText("nothing like it");
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::remains);
    EXPECT_EQ(f.w->remainsList()->count(), 0);

    // Back to the applications: nothing changed there.
    nav.setAppsSegment(AppsSegment::apps);
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::apps);
    EXPECT_EQ(f.w->actionButton()->text(), "Uninstall");
    EXPECT_EQ(f.state().searchText(), "nothing like it");
    // While the applications are being found, only the progress shows.
    f.h.scanner->scanInstalledApps();
    EXPECT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::scanningApps);
    EXPECT_EQ(f.w->listArea()->currentIndex(), int(ApplicationsWorkspace::ListState::scanningApps));
    f.settle();
    EXPECT_EQ(f.w->listArea()->currentWidget(), f.w->appsList());
}

TEST(ApplicationsTab, TheEmptyPanelsDropZoneBrightensWhileTargeted)
{
    TabFixture f;
    EmptyUninstallPanel* panel = f.w->emptyPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->texts(), (QStringList{"Uninstall applications",
                                           "Select applications. Review service files. Uninstall any application completely.",
                                           "Drag & Drop an application to quickly uninstall"}));
    EXPECT_DOUBLE_EQ(panel->dropZoneBorderOpacity(), 0.55);
    f.state().setDropTargeted(true);
    EXPECT_DOUBLE_EQ(panel->dropZoneBorderOpacity(), 1.0);
    const EmptyUninstallPanel::Layout l = panel->layoutParts();
    EXPECT_TRUE(panel->rect().contains(l.dropZone.toRect()));
    EXPECT_LE(l.dropZone.width(), 420);
    EXPECT_LT(l.title.bottom(), l.subtitle.top());
    EXPECT_LT(l.subtitle.bottom(), l.disc.top());
    EXPECT_LT(l.disc.bottom(), l.dropZone.top());
}

namespace {

RemainCard* remainCard(const TabFixture& f, int row)
{
    return qobject_cast<RemainCard*>(f.w->remainsList()->widgetFor(row));
}

QStringList remainTitles(const TabFixture& f)
{
    return collect(f.h.cleaner->remainingFiles(), [](const RemovableItem& r) { return r.title; });
}

void click(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

} // namespace

TEST(ApplicationsTab, RemainsCardsDetailAndRemoveEndToEnd)
{
    TabFixture f;
    const QString lib = f.h.fake.tree().library();
    f.h.fake.tree().write(lib + "/Preferences/com.evernote.Evernote.plist", "evernote");
    f.h.fake.tree().writeSized(lib + "/Application Support/Transmit/Favorites.db", 50'000);
    QTest::mouseClick(f.w->segmentPicker(), Qt::LeftButton, {},
                      f.w->segmentPicker()->segmentRect(1).center().toPoint());
    f.settle();
    ASSERT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::remains);
    ASSERT_EQ(remainTitles(f), (QStringList{"Evernote", "Transmit"}));
    ASSERT_EQ(f.w->remainsList()->count(), 2);

    // A click on a card selects its entry; its box ticks that entry only.
    QTest::mouseClick(remainCard(f, 1), Qt::LeftButton, {}, QPoint(200, remainCard(f, 1)->height() / 2));
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::remain);
    EXPECT_EQ(f.w->remainPanel()->texts().front(), "Transmit");
    EXPECT_TRUE(remainCard(f, 1)->isActive());
    EXPECT_FALSE(remainCard(f, 0)->isActive());
    EXPECT_FALSE(f.w->actionButton()->isEnabled());
    click(remainCard(f, 0)->checkbox());
    EXPECT_TRUE(f.h.cleaner->remainingFiles()[0].isSelected);
    EXPECT_FALSE(f.h.cleaner->remainingFiles()[1].isSelected);
    EXPECT_TRUE(f.w->actionButton()->isEnabled());

    // Sorted by size, the larger Transmit comes first; the rows follow the entries.
    f.state().setSort(AppSort::size);
    EXPECT_EQ(remainCard(f, 0)->texts().front(), "Transmit");
    EXPECT_FALSE(remainCard(f, 0)->checkbox()->isChecked());
    EXPECT_TRUE(remainCard(f, 1)->checkbox()->isChecked());

    // A press asks; "Move to Trash" moves only the ticked entry.
    f.h.prompter.script = {"Move to Trash"};
    click(f.w->actionButton());
    f.settle();
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_EQ(remainTitles(f), (QStringList{"Transmit"}));
    EXPECT_EQ(f.h.fake.tree().read(kTrash + "/com.evernote.Evernote.plist"), "evernote");
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::emptyRemains);
    EXPECT_EQ(f.h.cleaner->orphanCountForMenuBar(), 1);
    EXPECT_EQ(f.w->remainsList()->count(), 1);
    EXPECT_FALSE(f.w->actionButton()->isEnabled());

    // With the list emptied, "Scan Again" looks anew.
    f.h.cleaner->setRemainingFiles({});
    ASSERT_EQ(f.w->listState(), ApplicationsWorkspace::ListState::noRemains);
    click(f.w->scanAgainButton());
    f.settle();
    EXPECT_EQ(remainTitles(f), (QStringList{"Transmit"}));
}

TEST(ApplicationsTab, OpenedOnTheRemainsBeforeTheApplicationsAreKnownItWaits)
{
    ShellHarness h;
    MacTree& t = h.fake.tree();
    t.makeApp("/Applications/Notes.app", "com.example.notes", "Notes");
    t.write(t.library() + "/Preferences/com.example.notes.plist", "notes");
    t.write(t.library() + "/Application Support/Notes/db", "notes");
    t.write(t.library() + "/Preferences/com.evernote.Evernote.plist", "evernote");
    h.state->navigation().setAppsSegment(AppsSegment::remains);
    ApplicationsWorkspace w(h.env());
    w.resize(912, 680);
    w.show();
    // Nothing known yet: the progress shows, and no scan is asked for.
    EXPECT_EQ(w.listState(), ApplicationsWorkspace::ListState::scanningRemains);
    EXPECT_FALSE(h.cleaner->isScanningRemaining());
    h.scanner->scanInstalledApps();
    drainScans(h.scanner.get(), h.cleaner.get());
    drainScans(h.scanner.get(), h.cleaner.get());
    // Notes' own files are not remains.
    EXPECT_EQ(collect(h.cleaner->remainingFiles(), [](const RemovableItem& r) { return r.title; }),
              (QStringList{"Evernote"}));
    EXPECT_EQ(w.listState(), ApplicationsWorkspace::ListState::remains);
}

TEST(ApplicationsTab, TheAdvancedTreeTicksFilesOneByOneForTheUninstall)
{
    TabFixture f;
    click(f.w->advanceSwitch());
    EXPECT_TRUE(f.state().advanceMode());
    EXPECT_TRUE(f.w->fullTreeLabel()->isVisible());
    f.clickEntry("Notes");
    f.settle();
    const AppInfoPtr notes = f.find("Notes");
    ASSERT_EQ(notes->leftovers().size(), 2);
    ASSERT_EQ(f.w->detailPanel()->fileView(), AppDetailPanel::FileView::advanced);
    AdvancedFileTree* tree = f.w->detailPanel()->advancedTree();
    QStringList headers;
    for (const apps::OutlineRow& r : tree->outline())
        if (r.kind == apps::OutlineRow::Kind::header)
            headers << r.title + (r.count ? QStringLiteral(" (%1)").arg(*r.count) : QString());
    EXPECT_EQ(headers, (QStringList{"Executables", "Caches (1)", "Preferences (1)"}));

    // Found leftovers come ticked, and so does the bundle: the user unticks
    // the bundle and the cache in their rows.
    ASSERT_NE(tree->bundleRow(), nullptr);
    EXPECT_TRUE(tree->bundleRow()->checkbox()->isChecked());
    click(tree->bundleRow()->checkbox());
    EXPECT_FALSE(notes->removeAppBundle());
    const LeftoverPtr cache = notes->leftovers()[0];
    ASSERT_TRUE(cache->path().endsWith("/Caches/com.example.notes"));
    LeftoverFileRow* row = tree->fileRow(cache);
    ASSERT_NE(row, nullptr);
    click(row->checkbox());
    EXPECT_FALSE(cache->isSelected());
    EXPECT_FALSE(notes->isSelected());
    EXPECT_FALSE(tree->bundleRow()->checkbox()->isChecked());

    f.h.prompter.script = {"Uninstall"};
    click(f.w->actionButton());
    f.settle();
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_TRUE(f.h.fake.tree().exists(kTrash + "/com.example.notes.plist"));
    EXPECT_FALSE(f.h.fake.tree().exists(kTrash + "/com.example.notes"));
    EXPECT_TRUE(f.h.fake.tree().exists(cache->path()));
    EXPECT_TRUE(f.h.fake.tree().exists("/Applications/Notes.app"));
    // The tree shows what is left.
    EXPECT_EQ(notes->leftovers(), QList<LeftoverPtr>{cache});
    headers.clear();
    for (const apps::OutlineRow& r : tree->outline())
        if (r.kind == apps::OutlineRow::Kind::header)
            headers << r.title;
    EXPECT_EQ(headers, (QStringList{"Executables", "Caches"}));
}

TEST(ApplicationsTab, ADroppedListedBundleIsSelectedAndAnythingElseIsHarmless)
{
    TabFixture f;
    AppNavigation& nav = f.h.state->navigation();
    auto url = [&](const QString& path) { return QUrl::fromLocalFile(f.h.fake.tree().host(path)); };
    nav.setAppsSegment(AppsSegment::remains);
    f.settle();

    // Not bundles: taken, and nothing happens.
    EXPECT_TRUE(f.w->handleDrop({url("/Users/tester/notes.txt"), url("/Applications/Notes.APP"),
                                 QUrl("https://example.com/Notes.app")}));
    EXPECT_TRUE(f.w->handleDrop({}));
    QCoreApplication::processEvents();
    EXPECT_EQ(nav.appsSegment(), AppsSegment::remains);
    EXPECT_EQ(f.state().selectedApp(), nullptr);

    // A bundle listed only as a group member: the segment switches, nothing is selected.
    EXPECT_TRUE(f.w->handleDrop({url("/Applications/Adobe/Illustrator.app")}));
    QCoreApplication::processEvents();
    EXPECT_EQ(nav.appsSegment(), AppsSegment::apps);
    EXPECT_EQ(f.state().selectedApp(), nullptr);

    // Listed bundles: each is selected in turn and scanned, known leftovers or not.
    const AppInfoPtr notes = f.find("Notes");
    notes->setLeftovers({LeftoverFile::make({"/Users/tester/Library/Caches/stale", 1, "Caches"})});
    nav.setAppsSegment(AppsSegment::remains);
    EXPECT_TRUE(f.w->handleDrop({url("/Applications/Zed.app"), url("/Applications/Notes.app")}));
    EXPECT_EQ(f.state().selectedApp(), nullptr);  // handled after the drop returned
    QCoreApplication::processEvents();
    EXPECT_EQ(nav.appsSegment(), AppsSegment::apps);
    EXPECT_EQ(f.state().selectedApp(), notes);
    EXPECT_EQ(f.w->detailState(), ApplicationsWorkspace::DetailState::application);
    f.settle();
    EXPECT_EQ(notes->leftovers().size(), 2);
    EXPECT_FALSE(f.find("Zed")->isScanningLeftovers());

    // Dragged from a file manager onto the empty panel's zone: the zone lights
    // up, the drop is a copy and selects the application.
    f.state().setSelectedApp(nullptr);
    EmptyUninstallPanel* panel = f.w->emptyPanel();
    ASSERT_TRUE(panel->isVisible());
    QMimeData data;
    data.setUrls({url("/Applications/Mail.app")});
    const QPoint zone = panel->dropZone().center().toPoint();
    QDragEnterEvent enter(zone, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &enter);
    EXPECT_TRUE(f.state().isDropTargeted());
    EXPECT_DOUBLE_EQ(panel->dropZoneBorderOpacity(), 1.0);
    QDropEvent drop(zone, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_FALSE(f.state().isDropTargeted());
    QCoreApplication::processEvents();
    EXPECT_EQ(f.state().selectedApp(), f.find("Mail"));
    EXPECT_TRUE(f.h.fake.tree().exists("/Applications/Mail.app"));
}
