#pragma once

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tw {

// One button of an alert.
struct PromptButton {
    // default: answers Return; cancel: answers Escape (and Return when no
    // button is the default); destructive: drawn as a warning.
    enum class Role { plain, defaultAction, cancel, destructive };
    QString title;
    Role role = Role::plain;
};

// An alert or a confirmation: its look, title, text and buttons (in the
// order given, the first one rightmost).
struct Prompt {
    enum class Style { informational, warning, critical };
    Style style = Style::warning;
    QString title;
    QString text;
    QList<PromptButton> buttons;
    // Shown in place of the style's symbol when set (the program's own icon).
    QIcon icon;
    // The window the alert belongs to: it opens over it, as its transient.
    // Without one the prompter chooses.
    QPointer<QWidget> owner;

    // One "OK" button, the default.
    static Prompt alert(Style style, const QString& title, const QString& text);
    // The index of the button that answers Escape: the cancel button, else
    // the default one (the answer that asks for nothing more), else the last
    // one (0, the implied "OK", when there are none).
    int cancelIndex() const;
    // The index of the button that answers Return: the default button, else
    // the cancel one (the safe choice beside a destructive button), else as
    // cancelIndex (a single button is always pressed).
    int returnIndex() const;
};

// The seam every alert and confirmation goes through, so that tests answer
// them from a script and nothing blocks. GUI thread only.
class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the prompt and waits for the user; returns the index of the
    // chosen button (a prompt without buttons gets one "OK").
    virtual int ask(const Prompt& prompt) = 0;

    // Shorthands: a one-button alert; whether the button titled yes was chosen.
    void inform(Prompt::Style style, const QString& title, const QString& text);
    bool confirm(const Prompt& prompt, const QString& yes);
};

// The real prompter: a modal alert over the prompt's owner, else the window
// that parent() gives, else the active window.
class DialogPrompter final : public Prompter {
public:
    explicit DialogPrompter(std::function<QWidget*()> parent = {});
    int ask(const Prompt& prompt) override;

private:
    std::function<QWidget*()> m_parent;
};

} // namespace tw
