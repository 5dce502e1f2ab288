#include "views/applications/RemainsRules.h"

#include <QSet>

#include <algorithm>

namespace tw::apps {

Prompt remainsConfirmation()
{
    return {Prompt::Style::warning, QStringLiteral("Remove selected remains?"), {},
            {{kMoveToTrash, PromptButton::Role::destructive}, {QStringLiteral("Cancel"), PromptButton::Role::cancel}}};
}

QList<RemovableItem> selectedRemains(const QList<RemovableItem>& remains)
{
    QList<RemovableItem> out;
    std::copy_if(remains.begin(), remains.end(), std::back_inserter(out),
                 [](const RemovableItem& r) { return r.isSelected; });
    return out;
}

Prompt remainsFailureAlert(const RemovalReport& report)
{
    QList<RemovalFailure> firsts;
    QSet<QString> named;
    for (const RemovalFailure& f : report.failures) {
        if (named.contains(f.item))
            continue;
        named.insert(f.item);
        firsts << f;
    }
    return Prompt::alert(Prompt::Style::warning, QStringLiteral("Couldn’t remove"),
                         removal::namedList(removal::failureLines(firsts)));
}

} // namespace tw::apps
