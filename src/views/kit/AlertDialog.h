#pragma once

#include "views/kit/Prompter.h"

#include <QDialog>
#include <QList>

class QAbstractButton;

namespace tw {

// The alert the program's prompter shows, in the colours of the current
// theme: an icon by style (or the prompt's own), the title in bold, the text, and the buttons in a
// row at the right, the first given rightmost. Return and Enter press the
// button drawn filled (Prompt::returnIndex), Escape (or closing the window)
// chooses the cancel one. Its window title is the program's name.
class TintedLabel;

class AlertDialog : public QDialog {
    Q_OBJECT
public:
    explicit AlertDialog(const Prompt& prompt, QWidget* parent = nullptr);

    // The chosen button's index; the cancel button's until one is chosen.
    int chosen() const { return m_chosen; }
    // The buttons in the prompt's order.
    const QList<QAbstractButton*>& buttons() const { return m_buttons; }
    const Prompt& prompt() const { return m_prompt; }

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void choose(int index);

    Prompt m_prompt;
    int m_chosen;
    TintedLabel* m_title;
    TintedLabel* m_text;
    QList<QAbstractButton*> m_buttons;
};

} // namespace tw
