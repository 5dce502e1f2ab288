#include "QuickPaneFixture.h"
#include "menubar/PaneHeader.h"
#include "menubar/QuickApplicationsPane.h"
#include "menubar/QuickListRow.h"
#include "menubar/QuickNetworkPane.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/PushButton.h"
#include "views/kit/TintedLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QSignalSpy>

using namespace tw;
using namespace tw::test;
using namespace tw::test::panes;

namespace {

const Error kRefusedMove{kCocoaErrorDomain, 512, QStringLiteral("“Sketcher” couldn’t be moved to the Trash.")};

// The real engine over a tree with Writer (two leftovers, one ticked), the
// Creative Suite group (Painter and Sketcher, a ticked leftover each),
// Mailbox (never searched) and a system application.
struct AppsFixture {
    ShellHarness h;
    AppInfoPtr writer, painter, sketcher, suite, mailbox, terminal;
    LeftoverPtr writerCache, writerPrefs, painterCache, sketcherCache;

    AppsFixture()
    {
        FakePlatform& f = h.fake;
        f.tree().makeTrash();
        writer = bundle(f, QStringLiteral("Writer"), 3'000'000);
        writerCache = leftover(f, writer, QStringLiteral("Caches/com.example.writer"));
        writerPrefs = leftover(f, writer, QStringLiteral("Preferences/com.example.writer.plist"), false);
        painter = bundle(f, QStringLiteral("Painter"), 5'000'000);
        painterCache = leftover(f, painter, QStringLiteral("Caches/com.example.painter"));
        sketcher = bundle(f, QStringLiteral("Sketcher"), 2'000'000);
        sketcherCache = leftover(f, sketcher, QStringLiteral("Caches/com.example.sketcher"));
        suite = group(QStringLiteral("Creative Suite"), {painter, sketcher});
        mailbox = bundle(f, QStringLiteral("mailbox"), 700'000);
        terminal = bundle(f, QStringLiteral("Terminal"), 9'000'000, {}, QStringLiteral("/System/Applications"));
        h.scanner->setApps({writer, terminal, suite, mailbox});
    }

    bool inTrash(const QString& name) { return h.fake.tree().exists(kTrash + u'/' + name); }
    QByteArray trashed(const QString& name) { return h.fake.tree().read(kTrash + u'/' + name); }
    bool exists(const AppInfoPtr& app) { return h.fake.tree().exists(app->path()); }
    void failFor(const AppInfoPtr& app)
    {
        h.fake.trash->fail = [path = app->path()](const QString& p) -> std::optional<Error> {
            return p == path ? std::optional<Error>(kRefusedMove) : std::nullopt;
        };
        // Should the move be retried as the administrator, it fails with the same words.
        h.fake.admin->performMove = false;
        h.fake.admin->result = Error{kScriptErrorDomain, 1, kRefusedMove.description};
    }
};

struct ShownPane {
    QuickApplicationsPane pane;
    ShownPane(AppsFixture& f) : pane(*f.h.scanner, f.h.prompter)
    {
        pane.resize(460, 380);
        pane.show();
        settle();
    }
    QStringList rowTitles()
    {
        QStringList out;
        for (int i = 0; i < pane.list()->count(); ++i)
            if (QuickListRow* row = pane.rowFor(i))
                out << row->title();
        return out;
    }
    PushButton* uninstallButton(int i) { return pane.rowFor(i)->findChild<PushButton*>(); }
};

// The uninstall runs off the GUI thread: waits until its report is in.
void finish(AppsFixture& f)
{
    ASSERT_TRUE(drainScans(f.h.scanner.get(), nullptr));
}

} // namespace

TEST(QuickAppsFilter, SystemAppsOutGroupsWholeNamesOnlyIgnoringCase)
{
    AppsFixture f;
    const QList<AppInfoPtr>& apps = f.h.scanner->apps();
    const struct {
        const char* search;
        QStringList expected;
    } cases[] = {
        {"", {"Writer", "Creative Suite", "mailbox"}},
        {"wRiT", {"Writer"}},
        {"MAILBOX", {"mailbox"}},
        {"e S", {"Creative Suite"}},
        {" ", {"Creative Suite"}},    // blanks are searched as typed
        {"Writer ", {}},              // not trimmed
        {"Painter", {}},              // a group's members are not searched
        {"com.example", {}},          // nor the bundle identifier
        {"Terminal", {}},             // a system application never shows
        {"zzz", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(quick::visibleApps(apps, QString::fromUtf8(c.search))), c.expected) << c.search;
    // Composed and decomposed accents match each other.
    AppInfoPtr cafe = bundle(f.h.fake, QStringLiteral("Caf\u00e9 Menu"));
    EXPECT_EQ(names(quick::visibleApps({cafe}, QStringLiteral("CAFE\u0301"))), QStringList{"Caf\u00e9 Menu"});
}

TEST(QuickApplicationsPane, RowsShowNameAndSizeAndFollowTheSearchField)
{
    AppsFixture f;
    ShownPane s(f);
    EXPECT_EQ(s.pane.header()->title()->text(), "Applications");
    EXPECT_EQ(s.pane.header()->subtitle()->text(), "Uninstall an app and its related files");
    EXPECT_EQ(s.pane.searchField()->bar()->field()->placeholderText(), "Search applications");
    EXPECT_EQ(s.rowTitles(), (QStringList{"Writer", "Creative Suite", "mailbox"}));
    // A single application counts its leftovers; a group the larger of its
    // own size and its members' sizes.
    EXPECT_EQ(s.pane.rowFor(0)->caption(), byteformat::string(f.writer->displaySize()));
    EXPECT_EQ(s.pane.rowFor(0)->caption(), "3 MB");
    EXPECT_EQ(s.pane.rowFor(1)->caption(), byteformat::string(f.suite->displaySize()));
    EXPECT_EQ(s.uninstallButton(0)->text(), "Uninstall");

    QTest::keyClicks(s.pane.searchField()->bar()->field(), "SUITE");
    EXPECT_EQ(s.pane.searchText(), "SUITE");
    EXPECT_EQ(s.rowTitles(), QStringList{"Creative Suite"});
    QTest::keyClicks(s.pane.searchField()->bar()->field(), "x");
    EXPECT_EQ(s.pane.list()->count(), 0);  // blank, no message
    EXPECT_TRUE(s.pane.list()->shownRows().isEmpty());

    // A new scan result shows at once.
    s.pane.setSearchText({});
    f.h.scanner->setApps({f.mailbox});
    EXPECT_EQ(s.rowTitles(), QStringList{"mailbox"});
}

TEST(QuickApplicationsPane, CancelChangesNothing)
{
    AppsFixture f;
    ShownPane s(f);
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    f.h.prompter.script = {"Cancel"};
    QTest::mouseClick(s.uninstallButton(0), Qt::LeftButton);
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    const Prompt& p = f.h.prompter.asked[0];
    EXPECT_EQ(p.title, "Uninstall Writer?");
    EXPECT_EQ(p.text, "Move the app and its related files to the Trash.");
    ASSERT_EQ(p.buttons.size(), 2);
    EXPECT_EQ(p.buttons[0].title, "Uninstall");
    EXPECT_EQ(p.buttons[0].role, PromptButton::Role::destructive);
    EXPECT_EQ(p.buttons[1].role, PromptButton::Role::cancel);
    EXPECT_TRUE(f.exists(f.writer));
    EXPECT_TRUE(f.h.fake.trash->calls.isEmpty());
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(s.rowTitles(), (QStringList{"Writer", "Creative Suite", "mailbox"}));
}

TEST(QuickApplicationsPane, OneApplicationGoesToTheTrashWithItsTickedFiles)
{
    AppsFixture f;
    ShownPane s(f);
    const QByteArray cache = f.h.fake.tree().read(f.writerCache->path());
    const QByteArray info = f.h.fake.tree().read(f.writer->path() + "/Contents/Info.plist");
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(s.uninstallButton(0), Qt::LeftButton);
    finish(f);

    EXPECT_EQ(f.h.prompter.asked.size(), 1);  // no error alert
    EXPECT_FALSE(f.exists(f.writer));
    EXPECT_EQ(f.trashed("Writer.app/Contents/Info.plist"), info);
    EXPECT_EQ(f.trashed("com.example.writer"), cache);
    // The unticked preferences stay.
    EXPECT_TRUE(f.h.fake.tree().exists(f.writerPrefs->path()));
    EXPECT_FALSE(f.inTrash("com.example.writer.plist"));
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(names(f.h.scanner->apps()), (QStringList{"Terminal", "Creative Suite", "mailbox"}));
    EXPECT_EQ(s.rowTitles(), (QStringList{"Creative Suite", "mailbox"}));
}

TEST(QuickApplicationsPane, AnEntryNeverSearchedGoesWithItsBundleOnly)
{
    AppsFixture f;
    ShownPane s(f);
    f.h.prompter.script = {"Uninstall"};
    s.pane.confirmUninstall(f.mailbox);
    finish(f);
    EXPECT_EQ(f.h.fake.trash->calls, QStringList{f.mailbox->path()});
    EXPECT_TRUE(f.inTrash("mailbox.app"));
    EXPECT_EQ(names(f.h.scanner->apps()), (QStringList{"Writer", "Terminal", "Creative Suite"}));
}

TEST(QuickApplicationsPane, AGroupGoesMemberByMemberAndLeavesInOneWrite)
{
    AppsFixture f;
    ShownPane s(f);
    const QByteArray painterCache = f.h.fake.tree().read(f.painterCache->path());
    const QByteArray sketcherCache = f.h.fake.tree().read(f.sketcherCache->path());
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(s.uninstallButton(1), Qt::LeftButton);
    finish(f);

    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_EQ(f.h.prompter.asked[0].title, "Uninstall Creative Suite?");
    EXPECT_EQ(f.h.fake.trash->calls, (QStringList{f.painter->path(), f.painterCache->path(), f.sketcher->path(),
                                                  f.sketcherCache->path()}));
    EXPECT_TRUE(f.inTrash("Painter.app"));
    EXPECT_TRUE(f.inTrash("Sketcher.app"));
    EXPECT_EQ(f.trashed("com.example.painter"), painterCache);
    EXPECT_EQ(f.trashed("com.example.sketcher"), sketcherCache);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(names(f.h.scanner->apps()), (QStringList{"Writer", "Terminal", "mailbox"}));
    EXPECT_EQ(s.rowTitles(), (QStringList{"Writer", "mailbox"}));
}

TEST(QuickApplicationsPane, AMemberThatFailsLeavesTheGroupWithoutTheTrashedOnes)
{
    AppsFixture f;
    ShownPane s(f);
    const std::int64_t sizeBefore = f.suite->displaySize();
    f.failFor(f.sketcher);
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    f.h.prompter.script = {"Uninstall", "OK"};
    QTest::mouseClick(s.uninstallButton(1), Qt::LeftButton);
    finish(f);

    ASSERT_EQ(f.h.prompter.asked.size(), 2);
    const Prompt& error = f.h.prompter.asked[1];
    EXPECT_EQ(error.title, "Applications");
    EXPECT_EQ(error.text, kRefusedMove.description);
    ASSERT_EQ(error.buttons.size(), 1);
    EXPECT_EQ(error.buttons[0].title, "OK");
    EXPECT_EQ(error.buttons[0].role, PromptButton::Role::cancel);
    EXPECT_TRUE(f.inTrash("Painter.app"));
    EXPECT_TRUE(f.exists(f.sketcher));
    EXPECT_TRUE(f.h.fake.tree().exists(f.sketcherCache->path()));  // nothing after the failure

    // The row stays, for the member left, with that member's size only.
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(s.rowTitles(), (QStringList{"Writer", "Creative Suite", "mailbox"}));
    ASSERT_EQ(f.suite->members().size(), 1u);
    EXPECT_EQ(f.suite->members().front(), f.sketcher);
    EXPECT_EQ(f.suite->displaySize(), f.sketcher->displaySize());
    EXPECT_LT(f.suite->displaySize(), sizeBefore);
    EXPECT_EQ(s.pane.rowFor(1)->caption(), byteformat::string(f.sketcher->displaySize()));

    // Once the move works, the row's next uninstall starts at the member left and takes the group.
    f.h.fake.trash->fail = {};
    f.h.fake.trash->calls.clear();
    f.h.prompter.script = {"Uninstall"};
    QTest::mouseClick(s.uninstallButton(1), Qt::LeftButton);
    finish(f);
    EXPECT_EQ(f.h.prompter.asked.size(), 3);
    EXPECT_EQ(f.h.fake.trash->calls.first(), f.sketcher->path());
    EXPECT_TRUE(f.inTrash("Sketcher.app"));
    EXPECT_EQ(s.rowTitles(), (QStringList{"Writer", "mailbox"}));
}

TEST(QuickApplicationsPane, TheFirstMemberFailingWritesNothing)
{
    AppsFixture f;
    f.failFor(f.painter);
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    QObject context;
    std::optional<std::optional<QString>> told;
    quick::uninstallEntry(*f.h.scanner, f.suite, &context, [&](std::optional<QString> error) { told = error; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.has_value(); }, 60000));
    EXPECT_EQ(*told, kRefusedMove.description);
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(f.suite->members().size(), 2u);
    EXPECT_TRUE(f.exists(f.sketcher));
}

TEST(QuickApplicationsPane, ARefusedBundleShowsTheEnginesMessage)
{
    AppsFixture f;
    // A bundle outside the application folders is not the user's to remove here.
    AppInfoPtr tool = bundle(f.h.fake, QStringLiteral("Tool"), 1000, {}, QStringLiteral("/Users/tester/Downloads"));
    f.h.scanner->setApps({tool, f.writer});
    ShownPane s(f);
    QSignalSpy writes(f.h.scanner.get(), &AppScanner::appsChanged);
    f.h.prompter.script = {"Uninstall", "OK"};
    QTest::mouseClick(s.uninstallButton(0), Qt::LeftButton);
    finish(f);
    ASSERT_EQ(f.h.prompter.asked.size(), 2);
    EXPECT_EQ(f.h.prompter.asked[1].text, "Refusing to remove a protected or system application.");
    EXPECT_TRUE(f.exists(tool));
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(s.rowTitles(), (QStringList{"Tool", "Writer"}));
}

TEST(QuickNetworkPane, TheSameRowsAsTheApplicationsPaneEachAllowed)
{
    AppsFixture f;
    ShownPane apps(f);
    QuickNetworkPane network(*f.h.scanner);
    network.resize(460, 380);
    network.show();
    settle();
    EXPECT_EQ(network.header()->title()->text(), "Network access");
    EXPECT_EQ(network.header()->subtitle()->text(), "Apps that can use the network");
    EXPECT_EQ(network.searchField()->bar()->field()->placeholderText(), "Search apps");
    for (const char* search : {"", "e", "SUITE", "nothing"}) {
        apps.pane.setSearchText(QString::fromUtf8(search));
        QTest::keyClicks(network.searchField()->bar()->field(), {});
        network.setSearchText(QString::fromUtf8(search));
        EXPECT_EQ(names(network.apps()), names(apps.pane.apps())) << search;
    }
    network.setSearchText({});
    ASSERT_EQ(network.list()->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QuickListRow* row = network.rowFor(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->title(), network.apps()[i]->name());
        EXPECT_TRUE(row->caption().isEmpty());
        const auto labels = row->findChildren<TintedLabel*>();
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0]->text(), "Allowed");
        EXPECT_EQ(row->findChild<QAbstractButton*>(), nullptr);  // nothing to click
    }
    EXPECT_EQ(network.rowFor(1)->title(), "Creative Suite");
    // A removal elsewhere shows here too.
    f.h.scanner->setApps({f.writer});
    EXPECT_EQ(names(network.apps()), QStringList{"Writer"});
}

// The keyboard reaches the search field, then the list; in the list each
// row's stop is its Uninstall button, and Return presses it.
TEST(QuickApplicationsPane, TheKeyboardReachesTheSearchThenEachRowsUninstall)
{
    AppsFixture f;
    ShownPane s(f);
    s.pane.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s.pane));
    QLineEdit* field = s.pane.searchField()->bar()->field();
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), s.pane.list());
    EXPECT_TRUE(s.pane.list()->showsPlace());
    EXPECT_EQ(s.pane.list()->currentStop(), s.uninstallButton(0));
    QTest::keyClick(s.pane.list(), Qt::Key_Down);
    EXPECT_EQ(s.pane.list()->currentStop(), s.uninstallButton(1));
    EXPECT_TRUE(f.h.prompter.asked.isEmpty());
    f.h.prompter.script = {"Cancel"};
    QTest::keyClick(s.pane.list(), Qt::Key_Return);
    ASSERT_EQ(f.h.prompter.asked.size(), 1);
    EXPECT_EQ(f.h.prompter.asked[0].title, "Uninstall Creative Suite?");
}
