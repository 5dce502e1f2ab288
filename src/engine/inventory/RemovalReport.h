#pragma once

// What a removal did, in one shape for every caller: the uninstall, the
// remains, the extensions and the cleanup offer.

#include "platform/Result.h"

#include <QList>
#include <QStringList>

namespace tw {

// What a Trash move did with an item that did not stay: it moved it, or found
// it already gone (another change took it first).
enum class Trashed { moved, gone };

// One path that stayed where it was, and why.
struct RemovalFailure {
    QString path;
    QString item;  // the title of the entry the path belongs to; empty for an uninstall
    Error reason;

    friend bool operator==(const RemovalFailure&, const RemovalFailure&) = default;
};

// The paths that moved into the Trash, in run order, and each one that did
// not with its reason. status is the error that stopped the removal as a
// whole (a refused or failed bundle); it is ok otherwise, also when single
// files stayed.
struct RemovalReport {
    Status status;
    QStringList moved;
    QList<RemovalFailure> failures;
    // Paths already gone when their turn came (an earlier change took them):
    // neither moved nor failed, and no longer listed.
    QStringList gone;
    // Runs over list entries only: the path of every entry tried, and the
    // titles of the entries that stayed listed because a file did not move.
    QStringList attemptedEntries;
    QStringList keptEntries;

    // Files path under moved, gone or failures by the Trash move's outcome.
    void add(const QString& path, const Result<Trashed>& outcome, const QString& item = {});

    QStringList failedPaths() const;
    bool complete() const { return status.ok() && failures.isEmpty(); }
};

namespace removal {

// The safety test refused the path.
Error refused();
bool isRefusal(const Error& error);
// The leftover no longer belongs to the application being uninstalled.
Error notOwned();

// The first `shown` lines, each made one line (singleLine: only our breaks
// part them), then "…and N more." for the rest: the one place that text is made.
QString namedList(const QStringList& lines, qsizetype shown = 3);

// The alert line of a path that stayed: head (its entry's title, or the path)
// alone when the safety test refused it, else "head: reason".
QString failureLine(const QString& head, const Error& reason);
// One such line per failure, in run order, headed by its entry's title.
QStringList failureLines(const QList<RemovalFailure>& failures);

} // namespace removal

} // namespace tw
