#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "support/AlertKeys.h"
#include "support/FakePrompter.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/PushButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

using Role = PromptButton::Role;

Prompt uninstallPrompt()
{
    return {Prompt::Style::warning,
            QStringLiteral("Uninstall Notes?"),
            QStringLiteral("Notes and 3 files (12 MB) will be moved to the Trash."),
            {{QStringLiteral("Uninstall"), Role::defaultAction}, {QStringLiteral("Cancel"), Role::cancel}}};
}

} // namespace

TEST(Prompter, TheCancelButtonAnswersEscape)
{
    struct Case {
        QList<PromptButton> buttons;
        int cancel;
    };
    const Case cases[] = {
        {{{"Move to Trash", Role::destructive}, {"Cancel", Role::cancel}}, 1},
        {{{"Cancel", Role::cancel}, {"Remove", Role::destructive}}, 0},
        {{{"OK", Role::defaultAction}}, 0},
        {{{"Remove Remaining Files", Role::destructive}, {"Later", Role::plain}}, 1},
        // Without a cancel button the default one: Escape never visits the website.
        {{{"OK", Role::defaultAction}, {"Visit Website", Role::plain}}, 0},
        {{}, 0},  // the implied "OK"
    };
    for (const Case& c : cases) {
        Prompt p;
        p.buttons = c.buttons;
        EXPECT_EQ(p.cancelIndex(), c.cancel) << c.buttons.size();
    }
    const Prompt ok = Prompt::alert(Prompt::Style::critical, "Couldn’t remove", "text");
    ASSERT_EQ(ok.buttons.size(), 1);
    EXPECT_EQ(ok.buttons[0].title, "OK");
    EXPECT_EQ(ok.buttons[0].role, Role::defaultAction);
}

TEST(Prompter, FakeAnswersFromItsScriptAndRecordsEveryPrompt)
{
    FakePrompter prompter;
    prompter.script = {QStringLiteral("Uninstall"), QStringLiteral("Delete")};
    EXPECT_TRUE(prompter.confirm(uninstallPrompt(), QStringLiteral("Uninstall")));
    // A title the prompt does not offer is noted, and answered with the cancel button.
    EXPECT_EQ(prompter.ask(uninstallPrompt()), 1);
    EXPECT_EQ(prompter.unmatched, QStringList{"Delete"});
    // With the script used up, every prompt is cancelled.
    EXPECT_FALSE(prompter.confirm(uninstallPrompt(), QStringLiteral("Uninstall")));
    prompter.inform(Prompt::Style::critical, QStringLiteral("Couldn’t remove"), QStringLiteral("a\nb"));
    ASSERT_EQ(prompter.asked.size(), 4);
    EXPECT_EQ(prompter.asked[0].title, "Uninstall Notes?");
    EXPECT_EQ(prompter.asked[3].style, Prompt::Style::critical);
    EXPECT_EQ(prompter.asked[3].text, "a\nb");
    EXPECT_EQ(prompter.asked[3].buttons.size(), 1);
}

TEST(AlertDialog, ButtonsKeysAndClosingChooseAsTheirRolesSay)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    enum class Act { click0, click1, escape, enter, close };
    struct Case {
        Act act;
        int chosen;
    };
    for (const Case& c : {Case{Act::click0, 0}, Case{Act::click1, 1}, Case{Act::escape, 1}, Case{Act::enter, 0},
                          Case{Act::close, 1}}) {
        AlertDialog dialog(uninstallPrompt());
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        ASSERT_EQ(dialog.buttons().size(), 2);
        EXPECT_EQ(dialog.chosen(), 1);
        // The first button stands rightmost.
        EXPECT_GT(dialog.buttons()[0]->x(), dialog.buttons()[1]->x());
        switch (c.act) {
        case Act::click0: QTest::mouseClick(dialog.buttons()[0], Qt::LeftButton); break;
        case Act::click1: QTest::mouseClick(dialog.buttons()[1], Qt::LeftButton); break;
        case Act::escape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
        case Act::enter: QTest::keyClick(&dialog, Qt::Key_Return); break;
        case Act::close: dialog.close(); break;
        }
        EXPECT_EQ(dialog.chosen(), c.chosen) << int(c.act);
        EXPECT_FALSE(dialog.isVisible());
    }
}

// Return and keypad Enter always press a button, the one drawn filled:
// the default one, else Cancel beside a destructive button, else the only
// one. Asked through the program's prompter, the alert closes and its
// answer is that button.
TEST(AlertDialog, ReturnAndEnterPressTheButtonDrawnFilled)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    using Style = Prompt::Style;
    struct Shape {
        const char* name;
        Prompt prompt;
        int pressed;
    };
    const Shape shapes[] = {
        {"one button in the cancel role",
         {Style::warning, "Startup Programs", "AppleScript unavailable.", {{"OK", Role::cancel}}}, 0},
        {"destructive and cancel",
         {Style::warning, "Remove selected remains?", {}, {{"Move to Trash", Role::destructive}, {"Cancel", Role::cancel}}},
         1},
        {"cancel and destructive", {Style::warning, "t", {}, {{"Cancel", Role::cancel}, {"Remove", Role::destructive}}}, 0},
        {"default and cancel", uninstallPrompt(), 0},
        {"default and plain", {Style::informational, "Tidewell", {}, {{"OK", Role::defaultAction}, {"Visit Website"}}}, 0},
        {"a plain alert", Prompt::alert(Style::critical, "Couldn’t remove", "a"), 0},
        {"one plain button", {Style::informational, "t", {}, {{"Close", Role::plain}}}, 0},
        {"no buttons", {Style::informational, "Done", {}, {}}, 0},
    };
    DialogPrompter prompter;
    for (const Shape& s : shapes) {
        AlertDialog drawn(s.prompt);
        for (qsizetype i = 0; i < drawn.buttons().size(); ++i)
            EXPECT_EQ(static_cast<PushButton*>(drawn.buttons()[i])->isProminent(), i == s.pressed)
                << s.name << ": button " << i;
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::KeyboardModifiers()},
                                             std::pair{Qt::Key_Enter, Qt::KeyboardModifiers(Qt::KeypadModifier)}}) {
            SCOPED_TRACE(std::string(s.name) + (key == Qt::Key_Return ? ", Return" : ", Enter"));
            AlertKeys keys(key, modifiers);
            EXPECT_EQ(prompter.ask(s.prompt), s.pressed);
            EXPECT_EQ(keys.answered, QStringList{s.prompt.title});
            EXPECT_TRUE(keys.leftOpen.isEmpty()) << "the key pressed no button";
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        }
    }
}

// Shown, the alert holds the focus itself: Return presses the button drawn
// filled, not the first one. Tab goes through the buttons from the left,
// and Space answers the one it is on.
TEST(AlertDialog, NoButtonHasTheFocusUntilTabReachesOne)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    Prompt destructive = uninstallPrompt();
    destructive.buttons = {{QStringLiteral("Uninstall"), Role::destructive}, {QStringLiteral("Cancel"), Role::cancel}};
    AlertDialog dialog(destructive);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), &dialog);
    QTest::keyClick(&dialog, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.buttons()[1]);  // Cancel, on the left
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog.buttons()[0]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(dialog.chosen(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(AlertDialog, WithoutAButtonItOffersOk)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    AlertDialog dialog(Prompt{Prompt::Style::informational, QStringLiteral("Done"), {}, {}});
    ASSERT_EQ(dialog.buttons().size(), 1);
    EXPECT_EQ(dialog.buttons()[0]->text(), "OK");
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.chosen(), 0);
}

TEST(AlertDialog, TheTitleBarNamesTheProgramNotTheMessage)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    const QString message = QStringLiteral("“Tool.app” could not be moved to the Trash: no administrator prompt is available.");
    AlertDialog alert(Prompt::alert(Prompt::Style::warning, message, {}));
    EXPECT_EQ(alert.windowTitle(), QApplication::applicationDisplayName());
    EXPECT_NE(alert.windowTitle(), message);
}

TEST(AlertDialog, ALongTextIsShownWholeAboveTheButtons)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    const QString line = QStringLiteral("Dropbox: “Dropbox” could not be moved to the Trash: no administrator prompt is "
                                        "available on this desktop. pkexec is not installed.\n");
    AlertDialog alert(Prompt::alert(Prompt::Style::warning, QStringLiteral("Couldn’t remove"), line.repeated(3)));
    alert.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alert));
    const QLabel* text = alert.findChildren<QLabel*>().last();
    ASSERT_EQ(text->text(), line.repeated(3));
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    EXPECT_LE(text->geometry().bottom(), alert.buttons()[0]->geometry().top());
}

TEST(Prompter, AlertShowsMarkupFromTheDiskAsText)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    // A launchd label may hold anything, tags included.
    const QString text = QStringLiteral("Could not disable <img src=\"/etc/passwd\"><b>x</b>.");
    AlertDialog alert({Prompt::Style::warning, QStringLiteral("<i>Startup</i>"), text, {}});
    QStringList shown;
    for (const QLabel* label : alert.findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        shown << label->text();
    }
    EXPECT_TRUE(shown.contains(text));
    EXPECT_TRUE(shown.contains(QStringLiteral("<i>Startup</i>")));
}

TEST(Prompter, AnAlertOpensOverItsOwnerAndStaysAboveWhatStaysAbove)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    QWidget main;
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    main.show();
    panel.show();
    DialogPrompter prompter([&]() -> QWidget* { return &main; });
    // Each alert is read while it is up, then answered with Escape.
    struct Seen {
        QWidget* parent = nullptr;
        bool onTop = false;
    };
    auto askOver = [&](QWidget* owner) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            auto* alert = qobject_cast<AlertDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(alert, nullptr);
            seen = {alert->parentWidget(), alert->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
            alert->reject();
        });
        Prompt prompt = uninstallPrompt();
        prompt.owner = owner;
        EXPECT_EQ(prompter.ask(prompt), 1);
        return seen;
    };
    // The panel's own alert is its transient, above it as the panel is above the rest.
    const Seen overPanel = askOver(&panel);
    EXPECT_EQ(overPanel.parent, &panel);
    EXPECT_TRUE(overPanel.onTop);
    // Without an owner the prompter's own choice.
    const Seen overMain = askOver(nullptr);
    EXPECT_EQ(overMain.parent, &main);
    EXPECT_FALSE(overMain.onTop);
}

// Asked over a window that is not the active one (a popup's panel, the window
// under the popup holding the keyboard), the alert gives the keyboard back to
// the window that had it, with no window manager to do so.
TEST(Prompter, AnAlertOverAnotherWindowGivesTheKeyboardBackToTheOneThatHadIt)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    QWidget main;
    auto* field = new QLineEdit(&main);
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    main.show();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    field->setFocus();
    DialogPrompter prompter;
    Prompt prompt = uninstallPrompt();
    prompt.owner = &panel;
    AlertKeys keys(Qt::Key_Escape);
    EXPECT_EQ(prompter.ask(prompt), 1);
    EXPECT_EQ(keys.answered, QStringList{prompt.title});
    EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
    EXPECT_TRUE(field->hasFocus());
}
