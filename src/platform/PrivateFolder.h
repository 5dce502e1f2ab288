#pragma once

// Folders and entries that belong to this user alone, for what must not be
// taken or faked by another account (the single-instance lock and socket).

#include "platform/FolderHandle.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace tw::privatefolder {

// The effective user id the checks compare owners with.
std::uint32_t userId();

// Whether path is a folder of this user's that no one else may enter: a
// folder itself (not a link to one), owned by userId(), no group or other
// permission bits.
bool isPrivate(const QString& path);

enum class Kind { file, socket };
enum class Entry { missing, ours, foreign };

// A private folder opened once. It is checked through its descriptor, and
// whatever is looked at, made or removed in it goes through that descriptor:
// a folder put in its place afterwards is never used.
class Folder {
public:
    // The folder at path when it is private (as isPrivate says); null when it
    // is not. With make, it is first made with mode 0700 when missing, and so
    // are the folders missing above it (a fresh home's cache folder); a folder
    // that was there already is taken only as it is, never changed.
    static std::unique_ptr<Folder> open(const QString& path, bool make);
    // Lets go of the lock, removing its file first.
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const QString& path() const { return m_path; }
    // A path to name in this folder, for a socket's address: through the
    // descriptor (/proc/self/fd/<fd>/<name>, short whatever the folder's own
    // path) where /proc shows it; else by the folder's own path, while that
    // still names the folder opened. Empty when neither does.
    QByteArray through(const QString& name) const;
    // Whether through() goes by the descriptor.
    static bool descriptorsShown();
    // What is at name: nothing, an entry of that kind (not a link) owned by
    // userId(), or anything else.
    Entry entry(const QString& name, Kind kind) const;
    bool remove(const QString& name) const;

    enum class Lock { taken, held, unusable };
    // Takes the lock file name (made when missing) for this process, until
    // the folder is closed: held when another process holds it, unusable
    // when no lock of ours can be had here (a read-only folder, no file).
    // Once its holder is gone, even killed, a lock is free again.
    Lock lock(const QString& name);
    bool isLocked() const { return m_lock.get() >= 0; }

private:
    Folder(UniqueFd fd, const QString& path) : m_fd(std::move(fd)), m_path(path) {}

    UniqueFd m_fd;
    QString m_path;
    UniqueFd m_lock;
    QByteArray m_lockName;
};

// Where this process's descriptors show as entries, "/proc/self/fd" unless
// set (a test names one that is not there, as without /proc). Set before
// any folder is used.
void setDescriptorFolder(const QByteArray& folder);

// Whether the process at the other end of a connected local socket ran as
// this user when it connected or listened (SO_PEERCRED).
bool peerIsUs(qintptr socket);

} // namespace tw::privatefolder
