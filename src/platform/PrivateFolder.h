#pragma once

// Folders and entries that belong to this user alone, for what must not be
// taken or faked by another account (the single-instance lock and socket).

#include <QString>

#include <cstdint>

namespace tw::privatefolder {

// The effective user id the checks compare owners with.
std::uint32_t userId();

// Whether path is a folder of this user's that no one else may enter: a
// folder itself (not a link to one), owned by userId(), no group or other
// permission bits.
bool isPrivate(const QString& path);

// Makes the folder with mode 0700 when it is missing, and the folders missing
// above it (a fresh home's cache folder) the same way, then checks it as
// isPrivate does. A folder that was there already is taken only as it is,
// never changed.
bool make(const QString& path);

enum class Kind { file, socket };
enum class Entry { missing, ours, foreign };
// What is at path: nothing, an entry of that kind (not a link) owned by
// userId(), or anything else.
Entry entry(const QString& path, Kind kind);

// Whether the process at the other end of a connected local socket ran as
// this user when it connected or listened (SO_PEERCRED).
bool peerIsUs(qintptr socket);

} // namespace tw::privatefolder
