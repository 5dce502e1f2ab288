#pragma once

// The decisions of the remains segment's Remove button: the confirmation,
// what is handed to the Trash, and what the list holds afterwards.

#include "engine/cleaner/SystemCleaner.h"
#include "views/kit/Prompter.h"

#include <QStringList>

namespace tw::apps {

// "Remove selected remains?", no text, "Move to Trash" (destructive) and "Cancel".
Prompt remainsConfirmation();
inline const QString kMoveToTrash = QStringLiteral("Move to Trash");

// The ticked entries of the whole list (a search hides none of them), in list order.
QList<RemovableItem> selectedRemains(const QList<RemovableItem>& remains);

// The list after the ticked entries were handed to the Trash: every unticked
// entry, and every ticked one of which any file did not move (still ticked,
// since its files are where they were), in list order. failed names the
// entries kept that way.
struct RemainsAfterTrash {
    QList<RemovableItem> kept;
    QStringList failed;
};
RemainsAfterTrash remainsAfterTrash(const QList<RemovableItem>& remains, const TrashReport& report);

// The alert naming the entries that could not be removed (three at most, then
// "…and N more.").
Prompt remainsFailureAlert(const QStringList& titles);

} // namespace tw::apps
