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

RemainsAfterTrash remainsAfterTrash(const QList<RemovableItem>& remains, const TrashReport& report)
{
    const QSet<QString> failed(report.failed.begin(), report.failed.end());
    RemainsAfterTrash after;
    for (const RemovableItem& r : remains) {
        if (!r.isSelected) {
            after.kept << r;
            continue;
        }
        const QStringList paths = r.relatedPaths.isEmpty() ? QStringList{r.path} : r.relatedPaths;
        if (std::any_of(paths.begin(), paths.end(), [&](const QString& p) { return failed.contains(p); })) {
            after.kept << r;
            after.failed << r.title;
        }
    }
    return after;
}

Prompt remainsFailureAlert(const QStringList& titles)
{
    return Prompt::alert(Prompt::Style::warning, QStringLiteral("Couldn’t remove"), Prompt::namedList(titles));
}

} // namespace tw::apps
