#include "views/kit/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace tw {

Prompt Prompt::alert(Style style, const QString& title, const QString& text)
{
    return {style, title, text, {{QStringLiteral("OK"), PromptButton::Role::defaultAction}}};
}

int Prompt::cancelIndex() const
{
    for (qsizetype i = 0; i < buttons.size(); ++i)
        if (buttons[i].role == PromptButton::Role::cancel)
            return int(i);
    return std::max(0, int(buttons.size()) - 1);
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

int DialogPrompter::ask(const Prompt& given)
{
    Prompt prompt = given;
    if (prompt.buttons.isEmpty())
        prompt.buttons = Prompt::alert(prompt.style, {}, {}).buttons;
    QWidget* parent = m_parent ? m_parent() : nullptr;
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setIcon(prompt.style == Prompt::Style::informational ? QMessageBox::Information
                : prompt.style == Prompt::Style::critical    ? QMessageBox::Critical
                                                             : QMessageBox::Warning);
    box.setText(prompt.title);
    box.setInformativeText(prompt.text);
    QList<QPushButton*> buttons;
    for (const PromptButton& b : prompt.buttons) {
        const QMessageBox::ButtonRole role = b.role == PromptButton::Role::cancel ? QMessageBox::RejectRole
            : b.role == PromptButton::Role::destructive                            ? QMessageBox::DestructiveRole
                                                                                   : QMessageBox::AcceptRole;
        QPushButton* button = box.addButton(b.title, role);
        if (b.role == PromptButton::Role::defaultAction)
            box.setDefaultButton(button);
        buttons << button;
    }
    box.setEscapeButton(buttons.value(prompt.cancelIndex()));
    box.exec();
    const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return int(chosen < 0 ? prompt.cancelIndex() : chosen);
}

} // namespace tw
