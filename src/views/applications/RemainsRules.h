#pragma once

// The decisions of the remains segment's Remove button: the confirmation,
// what is handed to the Trash and the alert. What the list holds afterwards
// is the cleaner's (EntryPolicy::KeepUnmoved).

#include "engine/cleaner/SystemCleaner.h"
#include "views/kit/Prompter.h"

#include <QStringList>

namespace tw::apps {

// "Remove selected remains?", no text, "Move to Trash" (destructive) and "Cancel".
Prompt remainsConfirmation();
inline const QString kMoveToTrash = QStringLiteral("Move to Trash");

// The ticked entries of the whole list (a search hides none of them), in list order.
QList<RemovableItem> selectedRemains(const QList<RemovableItem>& remains);

// The alert naming the entries that could not be removed (three at most, then
// "…and N more.").
Prompt remainsFailureAlert(const QStringList& titles);

} // namespace tw::apps
