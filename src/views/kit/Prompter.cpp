#include "views/kit/Prompter.h"

#include "views/kit/AlertDialog.h"
#include "views/kit/KeyFocus.h"

#include <QApplication>
#include <QPointer>

#include <algorithm>

namespace tw {

Prompt Prompt::alert(Style style, const QString& title, const QString& text)
{
    return {style, title, text, {{QStringLiteral("OK"), PromptButton::Role::defaultAction}}};
}

int Prompt::cancelIndex() const
{
    for (PromptButton::Role role : {PromptButton::Role::cancel, PromptButton::Role::defaultAction})
        for (qsizetype i = 0; i < buttons.size(); ++i)
            if (buttons[i].role == role)
                return int(i);
    return std::max(0, int(buttons.size()) - 1);
}

int Prompt::returnIndex() const
{
    for (qsizetype i = 0; i < buttons.size(); ++i)
        if (buttons[i].role == PromptButton::Role::defaultAction)
            return int(i);
    return cancelIndex();
}

void Prompter::inform(Prompt::Style style, const QString& title, const QString& text)
{
    ask(Prompt::alert(style, title, text));
}

bool Prompter::confirm(const Prompt& prompt, const QString& yes)
{
    const int chosen = ask(prompt);
    return chosen >= 0 && chosen < prompt.buttons.size() && prompt.buttons[chosen].title == yes;
}

DialogPrompter::DialogPrompter(std::function<QWidget*()> parent)
    : m_parent(std::move(parent))
{
}

int DialogPrompter::ask(const Prompt& prompt)
{
    QWidget* parent = prompt.owner ? prompt.owner.data() : m_parent ? m_parent() : nullptr;
    AlertDialog dialog(prompt, parent ? parent : QApplication::activeWindow());
    const QPointer<QWidget> over = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    // The window holding the keyboard may be another of ours (a popup's panel is
    // asked over while the window under the popup is the active one).
    const QPointer<QWidget> before = QApplication::activeWindow();
    const keyfocus::FocusReturn back(over);
    dialog.exec();
    // The keyboard goes back to the window that had it, else to the one the alert
    // stood over, as a window manager gives it back (where none runs, nothing else would).
    const QWidget* active = QApplication::activeWindow();
    if (!active || active == &dialog) {
        if (before && before != &dialog && before->isVisible())
            before->activateWindow();
        else if (over && over->isVisible())
            over->activateWindow();
    }
    // And the focus to the control that had it (a button greyed out while it asked is enabled again by then).
    back.giveBack();
    return dialog.chosen();
}

} // namespace tw
