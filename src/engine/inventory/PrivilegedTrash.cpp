#include "engine/inventory/PrivilegedTrash.h"

#include "platform/DescriptorGate.h"
#include "platform/Path.h"

#include <chrono>

namespace tw::privilegedtrash {

namespace {

const QString kCannotRequest = QStringLiteral("Could not request administrator privileges.");
const QString kCancelled =
    QStringLiteral("Uninstall cancelled — administrator permission is required to remove this item.");
const QString kAuthorizationFailed = QStringLiteral("Administrator authorization failed.");

Error appError(int code, const QString& description) { return {kAppErrorDomain, code, description}; }

Error cannotMove() { return {kCocoaErrorDomain, 512, QStringLiteral("The item couldn’t be moved to the Trash.")}; }

Error stillInPlace(const QString& name)
{
    return appError(5, QStringLiteral("“") + name
                           + QStringLiteral("” could not be moved to the Trash even with administrator privileges."));
}

// Characters that no path handed to the administrator move may hold.
bool hasForbiddenCharacters(const QString& s)
{
    return s.contains(QChar(0)) || s.contains(u'\n') || s.contains(u'\r');
}

bool isPermissionFailure(const Error& e)
{
    return e.code == 513 || e.code == 257 || e.description.toLower().contains(QLatin1String("permission"));
}

bool isOutOfSpace(const Error& e) { return e.domain == kCocoaErrorDomain && e.code == 640; }

// The plain move waited for a descriptor and none came back.
bool isOutOfDescriptors(const Error& e) { return e.domain == kPosixErrorDomain && descriptors::exhausted(e.code); }

} // namespace

Result<Trashed> moveToTrash(const Platform& p, const QString& path)
{
    const FileSystem& fs = p.fs();
    const QString source = path::standardized(path);
    if (source.isEmpty() || !source.startsWith(u'/') || source == QLatin1String("/"))
        return cannotMove();
    // A dangling symlink is an item too.
    if (!fs.existsNoFollow(source))
        return Trashed::gone;
    // The move acts on the item where it lies now, its parent folders resolved
    // once here; a folder swapped for a link after this fails the move.
    const std::optional<QString> item = fs.resolvingParents(source);
    if (!item)
        return cannotMove();

    const Status first = p.trash().trashItem(*item);
    if (first)
        return Trashed::moved;
    const Error& error = first.error();
    // Gone in the meantime: another change moved it, not this one.
    if (error.code == 4 && !fs.existsNoFollow(*item))
        return Trashed::gone;
    // A password cannot make room on a full volume or give back file
    // descriptors, nor may it follow a folder that turned into a link on
    // the way meanwhile.
    if (isOutOfSpace(error) || isOutOfDescriptors(error) || fs.resolvingParents(source) != item)
        return first.error();
    if (!isPermissionFailure(error) && !isOwnedByRoot(fs, *item) && fs.isWritable(*item))
        return first.error();
    const Status elevated = moveToTrashElevated(p, *item);
    if (elevated)
        return Trashed::moved;
    // Taken by another change while the administrator was asked.
    if (!fs.existsNoFollow(*item))
        return Trashed::gone;
    return elevated.error();
}

namespace {

// The administrator move's failure as the user reads it. When no prompt
// could be shown at all, the item is named and the runner's words follow.
Error elevatedFailure(const Error& e, const QString& name)
{
    if (e.isUnavailable()) {
        QString text = QStringLiteral("“") + name
                       + QStringLiteral("” could not be moved to the Trash: no administrator prompt is available on this desktop.");
        if (!e.description.isEmpty())
            text += u' ' + e.description;
        return appError(2, text);
    }
    const QString message = e.description.isEmpty() ? kAuthorizationFailed : e.description;
    const QString lower = message.toLower();
    if (lower.contains(QLatin1String("user canceled")) || lower.contains(QLatin1String("user cancelled"))
        || e.code == -128)
        return appError(3, kCancelled);
    return appError(4, message);
}

} // namespace

Status moveToTrashElevated(const Platform& p, const QString& path)
{
    const FileSystem& fs = p.fs();
    const QString source = path::standardized(path);
    const QString name = path::lastComponent(source);
    const QString trash = fs.resolvingParents(fs.trash()).value_or(fs.trash());
    if (hasForbiddenCharacters(source) || hasForbiddenCharacters(trash) || name.isEmpty())
        return appError(2, kCannotRequest);

    // The Trash is made by the user, never by the administrator, so that it
    // stays the user's own; a link in its place is not the Trash.
    const auto trashStat = fs.stat(trash);
    if (!trashStat) {
        if (!fs.makeDirectories(trash, 0700))
            return appError(4, QStringLiteral("The Trash folder could not be created."));
    } else if (trashStat->type != FileType::Directory) {
        return appError(4, QStringLiteral("The Trash is not a folder."));
    }

    const QString destination = path::join(trash, uniqueTrashName(fs, name, trash));
    if (hasForbiddenCharacters(destination))
        return appError(2, kCannotRequest);

    if (const Status moved = p.admin().moveIntoTrash(trash, source, destination); !moved)
        return elevatedFailure(moved.error(), name);
    if (fs.existsNoFollow(source))
        return stillInPlace(name);
    return {};
}

QString uniqueTrashName(const FileSystem& fs, const QString& name, const QString& directory)
{
    for (int n = 0;; ++n) {
        const QString candidate = path::trashName(name, n);
        if (n > 500 || !fs.existsNoFollow(path::join(directory, candidate)))
            return candidate;
    }
}

bool isOwnedByRoot(const FileSystem& fs, const QString& path)
{
    const auto st = fs.stat(path);
    return st && st->uid == 0;
}

void quitRunningApp(const Platform& p, const QString& bundlePath)
{
    const QString target = path::standardized(bundlePath);
    if (!target.isEmpty()) {
        for (const RunningApp& app : p.runningApps().list()) {
            if (app.bundlePath.isEmpty())
                continue;
            const QString bundle = path::standardized(app.bundlePath);
            if (bundle == target || target.startsWith(bundle + QLatin1Char('/')))
                p.runningApps().terminate(app);
        }
    }
    p.clock().sleep(std::chrono::milliseconds(400));
}

} // namespace tw::privilegedtrash
