#include "QuickPaneFixture.h"
#include "menubar/CategoryQuickPanel.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/PaneHeader.h"
#include "menubar/PopoverWindow.h"
#include "menubar/QuickApplicationsPane.h"
#include "menubar/QuickListRow.h"
#include "menubar/SidePanel.h"
#include "menubar/UpdatesNotificationPanel.h"
#include "views/kit/FilterBar.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/TextButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTest>

using namespace tw;
using namespace tw::test;
using namespace tw::test::panes;

namespace {

// The preview with its applications panel open beside it, over Writer and
// Mailbox in the fake tree.
struct OpenPanel {
    MenuBarRig r;
    AppInfoPtr writer, mailbox;

    OpenPanel()
    {
        r.shell.fake.tree().makeTrash();
        writer = bundle(r.shell.fake, QStringLiteral("Writer"));
        leftover(r.shell.fake, writer, QStringLiteral("Caches/com.example.writer"));
        mailbox = bundle(r.shell.fake, QStringLiteral("Mailbox"));
        r.shell.scanner->setApps({writer, mailbox});
        r.install();
        open(SidebarTab::applications);
    }

    void open(SidebarTab tab)
    {
        r.ms += MenuBarController::reopenGuardMs + 1;
        if (!r.c().isPopoverShown())
            r.click();
        ASSERT_TRUE(r.c().isPopoverShown());
        r.c().preview()->choose(tab);
        ASSERT_TRUE(panel()->isVisible());
        settle();
    }

    // Opens the preview and walks the keyboard to tab's card.
    void keyToCard(SidebarTab tab)
    {
        r.ms += MenuBarController::reopenGuardMs + 1;
        if (!r.c().isPopoverShown())
            r.click();
        ASSERT_TRUE(r.c().isPopoverShown());
        MenuBarQuickPreview* preview = r.c().preview();
        if (!preview->hasFocus())
            key(Qt::Key_Tab);
        ASSERT_TRUE(preview->hasFocus());
        for (int i = 0; i < 12 && preview->keyPartRects().value(preview->keyPart()) != preview->card(tab).geometry(); ++i)
            key(Qt::Key_Tab);
        ASSERT_EQ(preview->keyPartRects().value(preview->keyPart()), preview->card(tab).geometry());
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    // A key as the desktop delivers it: to the window with the focus (a
    // popup takes it from there), else to the preview's.
    static QWindow* keyWindow(PopoverWindow* popover)
    {
        return QGuiApplication::focusWindow() ? QGuiApplication::focusWindow() : popover->windowHandle();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(keyWindow(popover()), k, modifiers);
    }
    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(keyWindow(popover()), c.toLatin1());
    }
    // Whether the kit's ring shows about w (a sibling ring placed around it).
    static bool ringAbout(QWidget* w)
    {
        for (FocusRing* ring : w->parentWidget()->findChildren<FocusRing*>(Qt::FindDirectChildrenOnly))
            if (ring->isVisible() && ring->geometry().contains(w->geometry()))
                return true;
        return false;
    }

    PopoverWindow* popover() { return r.c().popover(); }
    SidePanel* panel() { return r.c().panel(); }
    bool bothGone()
    {
        return !r.c().isPopoverShown() && !panel()->isVisible() && r.navigation().menuCategory() == std::nullopt;
    }
    // A click on row i's Uninstall, as the desktop delivers it while the preview holds the mouse.
    void clickUninstall(int i)
    {
        auto* pane = panel()->findChild<QuickApplicationsPane*>();
        ASSERT_NE(pane, nullptr);
        QuickListRow* row = pane->rowFor(i);
        ASSERT_NE(row, nullptr);
        auto* button = row->findChild<PushButton*>();
        QTest::mouseClick(panel()->windowHandle(), Qt::LeftButton, {}, button->mapTo(panel(), button->rect().center()));
    }
};

} // namespace

TEST(PanelLifetime, ThePanelGoesWithThePreviewHoweverThePreviewGoes)
{
    OpenPanel o;
    // A plain close() from the desktop.
    o.popover()->close();
    EXPECT_TRUE(o.bothGone());

    // Another window taking the focus (showing one closes the popup).
    o.open(SidebarTab::system);
    QWidget other;
    other.setWindowFlag(Qt::FramelessWindowHint);
    other.resize(80, 60);
    other.show();
    EXPECT_TRUE(o.bothGone());
    other.hide();

    // Pinned, the preview is a window of its own: closing it takes the panel too.
    o.open(SidebarTab::network);
    o.r.c().preview()->press(PreviewHeader::Button::pin);
    ASSERT_TRUE(o.r.c().isPinned());
    ASSERT_TRUE(o.r.c().isPopoverShown());
    o.r.c().preview()->choose(SidebarTab::applications);
    ASSERT_TRUE(o.panel()->isVisible());
    o.popover()->close();
    EXPECT_TRUE(o.bothGone());
}

TEST(PanelLifetime, TheQuickPanesConfirmationIsThePanelsOwnAndBothStayWhileItIsUpAndAfterCancel)
{
    OpenPanel o;
    PopoverWindow* popover = o.popover();
    const MenuBarQuickPreview* preview = o.r.c().preview();
    const QRect place = popover->geometry();
    ASSERT_EQ(QApplication::activePopupWidget(), popover);
    struct Seen {
        QWidget* owner = nullptr;
        bool preview = false, panel = false, held = false;
        QWidget* popup = nullptr;
    } seen;
    o.r.shell.prompter.whileUp = [&](const Prompt& p) {
        seen = {p.owner, popover->isVisible(), o.panel()->isVisible(), popover->isHeld(),
                QApplication::activePopupWidget()};
    };
    o.r.shell.prompter.script = {"Cancel"};
    o.clickUninstall(0);

    ASSERT_EQ(o.r.shell.prompter.asked.size(), 1);
    EXPECT_EQ(o.r.shell.prompter.asked[0].title, "Uninstall Writer?");
    // Up: over the panel, with the preview and the panel shown and no popup
    // holding the mouse and keys the alert needs.
    EXPECT_EQ(seen.owner, o.panel());
    EXPECT_TRUE(seen.preview);
    EXPECT_TRUE(seen.panel);
    EXPECT_TRUE(seen.held);
    EXPECT_EQ(seen.popup, nullptr);
    // After Cancel: as they were, the preview a popup again at its place.
    EXPECT_TRUE(o.r.c().isPopoverShown());
    EXPECT_FALSE(popover->isHeld());
    EXPECT_EQ(QApplication::activePopupWidget(), popover);
    EXPECT_EQ(popover->geometry(), place);
    EXPECT_EQ(o.r.c().preview(), preview);
    EXPECT_TRUE(o.panel()->isVisible());
    EXPECT_EQ(o.r.navigation().menuCategory(), SidebarTab::applications);
    EXPECT_TRUE(o.r.shell.fake.tree().exists(o.writer->path()));
    // Escape still closes both.
    QTest::keyClick(popover, Qt::Key_Escape);
    EXPECT_TRUE(o.bothGone());
}

TEST(PanelLifetime, AfterAConfirmedUninstallBothStayWithoutTheRow)
{
    OpenPanel o;
    PopoverWindow* popover = o.popover();
    o.r.shell.prompter.script = {"Uninstall"};
    o.clickUninstall(1);
    ASSERT_EQ(o.r.shell.prompter.asked.size(), 1);
    EXPECT_EQ(o.r.shell.prompter.asked[0].owner, o.panel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return names(o.r.shell.scanner->apps()) == QStringList{"Writer"}; }, 10000));
    EXPECT_TRUE(o.r.shell.fake.tree().exists(kTrash + "/Mailbox.app"));
    EXPECT_TRUE(o.r.c().isPopoverShown());
    EXPECT_EQ(QApplication::activePopupWidget(), popover);
    EXPECT_TRUE(o.panel()->isVisible());
    // An alert asked once the panel is gone has no owner to open over.
    o.r.c().closePopover();
    o.r.c().panelPrompter().ask(Prompt::alert(Prompt::Style::warning, QStringLiteral("Applications"), {}));
    EXPECT_EQ(o.r.shell.prompter.asked.back().owner, nullptr);
    EXPECT_FALSE(o.r.c().isPopoverShown());
}

// From the keyboard: Space on a card opens its panel with the keyboard in
// its pane (the popup still holding the keys and handing them on); the
// pane's controls show the focus and act, its alert leaves the keyboard in
// it; Escape comes back to the card, and Escape there closes both.
TEST(PanelLifetime, ACardOpenedFromTheKeyboardHandsTheKeyboardToItsPane)
{
    OpenPanel o;
    o.r.c().closePopover();
    ASSERT_TRUE(o.bothGone());
    o.keyToCard(SidebarTab::applications);
    PopoverWindow* popover = o.popover();
    MenuBarQuickPreview* preview = o.r.c().preview();
    o.key(Qt::Key_Space);
    ASSERT_TRUE(o.panel()->isVisible());
    EXPECT_EQ(o.r.navigation().menuCategory(), SidebarTab::applications);
    auto* pane = o.panel()->findChild<QuickApplicationsPane*>();
    ASSERT_NE(pane, nullptr);
    QLineEdit* field = pane->searchField()->bar()->field();
    EXPECT_EQ(o.focus(), field) << "the pane's first control takes the keyboard";
    EXPECT_TRUE(popover->isKeyboardLent());
    EXPECT_FALSE(preview->hasFocus()) << "the preview's ring goes";
    EXPECT_EQ(QApplication::activePopupWidget(), popover);

    // Typing reaches the field through the popup; Tab goes on to the list.
    o.type(QStringLiteral("mail"));
    EXPECT_EQ(field->text(), "mail");
    EXPECT_EQ(names(pane->apps()), QStringList{"Mailbox"});
    o.key(Qt::Key_Tab);
    ASSERT_EQ(o.focus(), pane->list());
    EXPECT_TRUE(pane->list()->showsPlace());
    o.r.shell.prompter.script = {"Cancel"};
    o.key(Qt::Key_Return);
    ASSERT_EQ(o.r.shell.prompter.asked.size(), 1);
    EXPECT_EQ(o.r.shell.prompter.asked[0].title, "Uninstall Mailbox?");
    // After the alert: both as they were, the keyboard still in the list.
    EXPECT_EQ(QApplication::activePopupWidget(), popover);
    EXPECT_EQ(o.focus(), pane->list());
    EXPECT_TRUE(pane->list()->showsPlace());

    // Escape comes back to the card; the panel stays; Escape again closes both.
    o.key(Qt::Key_Escape);
    EXPECT_TRUE(preview->hasFocus());
    EXPECT_FALSE(popover->isKeyboardLent());
    EXPECT_EQ(preview->keyPartRects().value(preview->keyPart()), preview->card(SidebarTab::applications).geometry());
    EXPECT_TRUE(o.panel()->isVisible());
    EXPECT_EQ(o.focus(), preview);
    o.key(Qt::Key_Escape);
    EXPECT_TRUE(o.bothGone());
    EXPECT_FALSE(o.focus() && o.panel()->isAncestorOf(o.focus())) << "the hidden panel keeps the focus";
}

// Tab goes round the preview and the panel as one: past the preview's last
// part into the panel (its close button first, with the ring), past the
// panel's last stop back to the preview's first part; Shift+Tab the other
// way. A menu of the pane's closing leaves the keyboard in the pane; the
// panel going (its close button from the keyboard) gives it back.
TEST(PanelLifetime, TabGoesRoundThePreviewAndThePanelAsOne)
{
    OpenPanel o;
    o.open(SidebarTab::updates);  // by the mouse: the preview keeps the keyboard
    PopoverWindow* popover = o.popover();
    MenuBarQuickPreview* preview = o.r.c().preview();
    EXPECT_FALSE(popover->isKeyboardLent());
    o.key(Qt::Key_Tab);
    ASSERT_TRUE(preview->hasFocus());
    ASSERT_EQ(preview->keyPart(), 0);
    const QList<QWidget*> stops = keyfocus::tabStops(o.panel());
    ASSERT_GE(stops.size(), 3);
    EXPECT_EQ(stops.first(), o.panel()->closeButton());
    // Shift+Tab before the first part: the panel's last stop; Tab past it: the first part again.
    o.key(Qt::Key_Backtab);
    EXPECT_EQ(o.focus(), stops.last());
    EXPECT_TRUE(popover->isKeyboardLent());
    o.key(Qt::Key_Tab);
    EXPECT_EQ(o.focus(), preview);
    EXPECT_EQ(preview->keyPart(), 0);
    while (preview->keyPartRects().value(preview->keyPart()) != preview->openButtonRect() && preview->hasFocus())
        o.key(Qt::Key_Tab);
    o.key(Qt::Key_Tab);
    EXPECT_EQ(o.focus(), o.panel()->closeButton());
    EXPECT_TRUE(o.ringAbout(o.panel()->closeButton()));
    QList<QWidget*> visited{o.focus()};
    for (int i = 1; i < stops.size(); ++i) {
        o.key(Qt::Key_Tab);
        visited << o.focus();
    }
    EXPECT_EQ(visited, stops);
    o.key(Qt::Key_Tab);
    EXPECT_EQ(o.focus(), preview);
    EXPECT_EQ(preview->keyPart(), 0);
    o.key(Qt::Key_Backtab);
    EXPECT_EQ(o.focus(), stops.last());
    o.key(Qt::Key_Backtab);
    EXPECT_EQ(o.focus(), stops[stops.size() - 2]);

    // The source menu: Space opens it, Escape closes it, the keyboard stays on its button.
    auto* updates = o.panel()->findChild<UpdatesNotificationPanel*>();
    ASSERT_NE(updates, nullptr);
    PullDownButton* picker = updates->sourcePicker();
    ASSERT_TRUE(stops.contains(picker));
    while (o.focus() != picker && o.focus() != preview)
        o.key(Qt::Key_Backtab);
    ASSERT_EQ(o.focus(), picker);
    o.key(Qt::Key_Space);
    QMenu* menu = picker->findChild<QMenu*>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 5000));
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(o.focus(), picker);
    EXPECT_TRUE(o.ringAbout(picker));
    EXPECT_TRUE(popover->isKeyboardLent());

    // The panel's close button from the keyboard: the panel goes, the keyboard comes back.
    while (o.focus() != o.panel()->closeButton())
        o.key(Qt::Key_Backtab);
    o.key(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !o.panel()->isVisible(); }, 5000));
    EXPECT_TRUE(o.r.c().isPopoverShown());
    EXPECT_EQ(o.r.navigation().menuCategory(), std::nullopt);
    EXPECT_EQ(o.focus(), preview);
    EXPECT_FALSE(popover->isKeyboardLent());
}

// Tab never lands on a control that is not shown: the pane that a new
// category replaced waits hidden in the panel until it is deleted, and a
// round of Tab or Shift+Tab through the panel takes the close button and
// the new pane's controls, each once, and nothing of the old one.
TEST(PanelLifetime, TabPassesThePaneANewCategoryReplaced)
{
    OpenPanel o;
    const QPointer<QWidget> replaced = o.panel()->content();
    o.r.c().preview()->choose(SidebarTab::updates);
    ASSERT_TRUE(replaced && replaced->isHidden() && replaced->parentWidget() == o.panel());
    QSet<QWidget*> shown{o.panel()->closeButton()};
    for (QWidget* w : o.panel()->content()->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible())
            shown << w;
    ASSERT_GE(shown.size(), 3);
    MenuBarQuickPreview* preview = o.r.c().preview();
    o.key(Qt::Key_Tab);
    ASSERT_TRUE(preview->hasFocus());
    for (Qt::Key k : {Qt::Key_Backtab, Qt::Key_Tab}) {
        SCOPED_TRACE(k == Qt::Key_Tab ? "Tab" : "Shift+Tab");
        // From the preview into the panel, round it and back.
        QList<QWidget*> visited;
        for (int i = 0; i < 30 && (visited.isEmpty() || o.focus() != preview); ++i) {
            o.key(k);
            if (o.focus() != preview)
                visited << o.focus();
        }
        ASSERT_TRUE(replaced) << "the replaced pane went";
        EXPECT_EQ(o.focus(), preview);
        EXPECT_EQ(QSet<QWidget*>(visited.begin(), visited.end()), shown);
        EXPECT_EQ(visited.size(), shown.size()) << "a stop came twice";
    }
}

// A press on the preview takes the keyboard back from the panel. Pinned,
// the preview is a window of its own; a card opened from the keyboard hands
// the keyboard over all the same.
TEST(PanelLifetime, APressOnThePreviewTakesTheKeyboardBackAndPinnedItIsLentAlike)
{
    OpenPanel o;
    PopoverWindow* popover = o.popover();
    o.key(Qt::Key_Tab);
    o.key(Qt::Key_Backtab);
    ASSERT_TRUE(popover->isKeyboardLent());
    ASSERT_TRUE(o.panel()->isAncestorOf(o.focus()));
    QTest::mouseClick(popover->windowHandle(), Qt::LeftButton, {}, QPoint(popover->width() / 2, 2));
    EXPECT_FALSE(popover->isKeyboardLent());
    EXPECT_FALSE(o.focus() && o.panel()->isAncestorOf(o.focus()));
    EXPECT_TRUE(o.r.c().isPopoverShown());
    EXPECT_TRUE(o.panel()->isVisible());

    o.r.c().preview()->press(PreviewHeader::Button::pin);
    ASSERT_TRUE(o.r.c().isPinned());
    ASSERT_TRUE(o.r.c().isPopoverShown());
    o.keyToCard(SidebarTab::network);
    o.key(Qt::Key_Space);
    ASSERT_TRUE(o.panel()->isVisible());
    auto* pane = o.panel()->findChild<QuickAppListPane*>();
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(o.focus(), pane->searchField()->bar()->field());
    o.type(QStringLiteral("wr"));
    EXPECT_EQ(names(pane->apps()), QStringList{"Writer"});
    o.key(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return o.focus() == o.r.c().preview(); }, 5000));
    EXPECT_FALSE(popover->isKeyboardLent());
    EXPECT_TRUE(o.panel()->isVisible());
}

// Each stop of each pane, reached from the keyboard, shows its ring whole:
// nothing that holds the ring (a box, a row) cuts it.
TEST(PanelLifetime, EveryRingInThePanelIsWhole)
{
    OpenPanel o;
    o.r.c().closePopover();
    int rings = 0;
    for (SidebarTab tab : {SidebarTab::applications, SidebarTab::startup, SidebarTab::updates, SidebarTab::network,
                           SidebarTab::system}) {
        if (o.popover() && o.popover()->isKeyboardLent())
            o.key(Qt::Key_Escape);  // back to the cards
        ASSERT_NO_FATAL_FAILURE(o.keyToCard(tab));
        o.key(Qt::Key_Space);
        for (qsizetype i = 0; i <= keyfocus::tabStops(o.panel()).size(); ++i, o.key(Qt::Key_Tab)) {
            settle();
            for (FocusRing* ring : o.panel()->findChildren<FocusRing*>()) {
                if (!ring->isVisible())
                    continue;
                ++rings;
                EXPECT_EQ(ring->visibleRegion(), QRegion(ring->rect()))
                    << rawValue(tab).toStdString() << ": " << o.focus()->metaObject()->className();
            }
        }
    }
    EXPECT_GE(rings, 5);  // one at least in each pane
}

// However the keyboard leaves the updates pane (Escape back to its card,
// the panel's close button, Open in App and the tray again), Startup apps
// opened next from the keyboard replaces it; its deletion (its source menu
// with it) keeps the keyboard, ring and all, in the new pane.
TEST(PanelLifetime, TheUpdatesPaneLeftFromTheKeyboardGoesWithoutTakingTheKeyboard)
{
    for (const char* leave : {"Escape", "close button", "Open in App"}) {
        SCOPED_TRACE(leave);
        OpenPanel o;
        o.r.c().closePopover();
        ASSERT_NO_FATAL_FAILURE(o.keyToCard(SidebarTab::updates));
        o.key(Qt::Key_Return);
        const QPointer<UpdatesNotificationPanel> updates = o.panel()->findChild<UpdatesNotificationPanel*>();
        ASSERT_TRUE(updates);
        ASSERT_EQ(o.focus(), updates->sourcePicker());
        if (leave == std::string_view("Escape")) {
            o.key(Qt::Key_Escape);
            ASSERT_EQ(o.focus(), o.r.c().preview());
            ASSERT_TRUE(o.panel()->isVisible());
        } else if (leave == std::string_view("close button")) {
            o.key(Qt::Key_Backtab);
            ASSERT_EQ(o.focus(), o.panel()->closeButton());
            o.key(Qt::Key_Return);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !o.panel()->isVisible(); }, 5000));
        } else {
            for (int i = 0; i < 6 && o.focus() != updates->openInApp(); ++i)
                o.key(Qt::Key_Tab);
            ASSERT_EQ(o.focus(), updates->openInApp());
            o.key(Qt::Key_Return);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !o.r.c().isPopoverShown(); }, 5000));
        }
        ASSERT_NO_FATAL_FAILURE(o.keyToCard(SidebarTab::startup));
        o.key(Qt::Key_Return);
        settle();
        EXPECT_FALSE(updates) << "the replaced pane went";
        EXPECT_TRUE(o.popover()->isKeyboardLent());
        ASSERT_TRUE(o.focus() && o.panel()->content()->isAncestorOf(o.focus()));
        EXPECT_TRUE(o.ringAbout(o.focus()));
    }
}

// An uninstall from the pane's list by the keyboard keeps the keyboard
// where it was: the ring on the row that took the app's place; with no row
// left, on the control nearest to that row (the search field), not on the
// panel's foot, where one more Return would open the window.
TEST(PanelLifetime, AnUninstallFromTheKeyboardLeavesTheRingNearWhereItWas)
{
    OpenPanel o;
    o.r.c().closePopover();
    ASSERT_NO_FATAL_FAILURE(o.keyToCard(SidebarTab::applications));
    o.key(Qt::Key_Space);
    auto* pane = o.panel()->findChild<QuickApplicationsPane*>();
    QLineEdit* field = pane->searchField()->bar()->field();
    LazyList* list = pane->list();
    auto uninstallFirst = [&](qsizetype left) {
        o.key(Qt::Key_Tab);
        ASSERT_EQ(list->currentStop(), pane->rowFor(0)->findChild<PushButton*>());
        o.r.shell.prompter.script = {"Uninstall"};
        o.key(Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane->apps().size() == left && !o.r.shell.scanner->isRemoving(); }, 10000));
        settle();
    };
    ASSERT_NO_FATAL_FAILURE(uninstallFirst(1));
    EXPECT_EQ(o.focus(), list);
    EXPECT_TRUE(list->showsPlace());
    EXPECT_EQ(list->currentStop(), pane->rowFor(0)->findChild<PushButton*>());

    o.key(Qt::Key_Backtab);
    o.type(names(pane->apps()).first().left(3).toLower());
    ASSERT_NO_FATAL_FAILURE(uninstallFirst(0));
    EXPECT_EQ(o.focus(), field);
}
