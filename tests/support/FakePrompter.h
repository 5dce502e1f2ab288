#pragma once

#include "views/kit/Prompter.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace tw::test {

// Answers every prompt at once from a script of button titles, in order, and
// records what was asked. With the script used up, or a title the prompt
// does not offer (noted in unmatched), it answers with the cancel button.
struct FakePrompter final : Prompter {
    QStringList script;
    QList<Prompt> asked;
    QStringList unmatched;
    // Called with each prompt while it is up, before it is answered.
    std::function<void(const Prompt&)> whileUp;

    int ask(const Prompt& prompt) override
    {
        asked << prompt;
        if (whileUp)
            whileUp(prompt);
        if (script.isEmpty())
            return prompt.cancelIndex();
        const QString answer = script.takeFirst();
        for (qsizetype i = 0; i < prompt.buttons.size(); ++i)
            if (prompt.buttons[i].title == answer)
                return int(i);
        unmatched << answer;
        return prompt.cancelIndex();
    }
};

} // namespace tw::test
