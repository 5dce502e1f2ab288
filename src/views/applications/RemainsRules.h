#pragma once

// The decisions of the remains segment's Remove button: the confirmation,
// what is handed to the Trash and the alert. What the list holds afterwards
// is the cleaner's (cleaner::entriesAfterTrash).

#include "engine/cleaner/SystemCleaner.h"
#include "views/kit/Prompter.h"

#include <QStringList>

namespace tw::apps {

// "Remove selected remains?", no text, "Move to Trash" (destructive) and "Cancel".
Prompt remainsConfirmation();
inline const QString kMoveToTrash = QStringLiteral("Move to Trash");

// The ticked entries of the whole list (a search hides none of them), in list order.
QList<RemovableItem> selectedRemains(const QList<RemovableItem>& remains);

// The alert naming each entry with a file that stayed, once, with the reason
// of its first such file (removal::failureLines): three at most, then
// "…and N more.". A remains title is unique in its list, so it stands for the entry.
Prompt remainsFailureAlert(const RemovalReport& report);

} // namespace tw::apps
