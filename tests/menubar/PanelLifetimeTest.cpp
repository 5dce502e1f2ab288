#include "QuickPaneFixture.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/PopoverWindow.h"
#include "menubar/QuickApplicationsPane.h"
#include "menubar/QuickListRow.h"
#include "menubar/SidePanel.h"
#include "views/kit/PushButton.h"

#include <QApplication>
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
