#pragma once

// Update rows: which applications get one, each row's channel, and the line
// shown when a check has ended.

#include "engine/inventory/ModelsFwd.h"
#include "engine/updates/UpdateModels.h"
#include "platform/Platform.h"

#include <QList>

namespace tw::updaterows {

UpdateChannel detectChannel(const Platform& p, const QString& bundle);
// Rows of the non-system applications, pending, one per path, in list
// order and without their channel. Reads only the records (GUI thread).
QList<AppUpdateItem> rowsOf(const QList<AppInfoPtr>& apps);
// Detects each row's channel and sorts by name. Reads files; any thread.
QList<AppUpdateItem> completeRows(const Platform& p, QList<AppUpdateItem> rows);
inline QList<AppUpdateItem> prepare(const Platform& p, const QList<AppInfoPtr>& apps)
{
    return completeRows(p, rowsOf(apps));
}

// The line shown when a check has ended.
QString summaryText(const QList<AppUpdateItem>& items);

} // namespace tw::updaterows
