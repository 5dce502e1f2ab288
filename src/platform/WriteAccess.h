#pragma once

// Who may change a file: its owner, every member of its group (listed, or
// by primary group) when the group may write, and each account and group
// its access ACL lets write. A group's write bits in the mode are only
// part of that: with an ACL they are its mask, and a group named after the
// user may hold anyone by primary group.

#include "platform/Result.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

struct stat;

namespace tw::host {

// One entry of a POSIX access ACL, as the kernel keeps it.
struct AclEntry {
    enum Tag : std::uint16_t { Owner = 0x01, User = 0x02, OwningGroup = 0x04, Group = 0x08, Mask = 0x10, Others = 0x20 };
    static constexpr std::uint16_t kWrite = 2;
    std::uint16_t tag = 0;
    std::uint16_t perm = 0;
    std::uint32_t id = 0;  // the account of User, the group of Group
};

// The look-ups the judgement makes; a test gives fakes. Failures carry the
// errno of the look-up, or ENOENT for a group or account that is not known.
class Accounts {
public:
    struct Group {
        QString name;
        std::vector<uid_t> members;  // listed and by primary group
    };

    virtual ~Accounts() = default;
    virtual Result<Group> group(gid_t gid) const = 0;
    // The file's access ACL; empty when its mode says it all.
    virtual Result<std::vector<AclEntry>> accessAcl(int fd) const = 0;
};

// What the system's Accounts read: the account and group databases (NSS),
// an entry at a time; a test gives fakes. Failures carry the errno of the
// read; nullopt is a group or account that is not known.
class AccountDatabase {
public:
    struct Account {
        std::string_view name;
        uid_t uid = 0;
        gid_t gid = 0;  // its primary group
    };
    struct GroupEntry {
        std::string name;
        std::vector<std::string> members;  // listed, by account name
    };

    virtual ~AccountDatabase() = default;
    virtual Result<std::optional<GroupEntry>> group(gid_t gid) const = 0;
    virtual Result<std::optional<uid_t>> accountNamed(const std::string& name) const = 0;
    // Calls each with every account listed, in one pass.
    virtual Result<void> forEachAccount(const std::function<void(const Account&)>& each) const = 0;
};

// Every member of the group gid: the accounts it lists and those whose
// primary group it is, found in one pass over the accounts. The pass must
// see user's own account, as a listing may stop short without a word; a
// listed name it did not see (a directory service that lists no accounts)
// is looked up alone.
Result<Accounts::Group> membersOf(gid_t gid, const AccountDatabase& database, uid_t user);

// The system's accounts (through NSS) and ACLs (system.posix_acl_access).
// Not for two threads at once: the accounts are listed through the
// process's one getpwent stream.
const Accounts& systemAccounts();

// Why an account outside trusted could change a file, said of it by name;
// error is the errno of a look-up that failed, else 0. A look-up that
// failed is no verdict: cannotTell, to be asked again.
struct Refusal {
    QString why;
    int error = 0;
    bool cannotTell = false;
};

// Whether only trusted accounts could change the file open as fd (st its
// status, name how to say it). What cannot be told is a refusal.
std::optional<Refusal> changeableByOthers(int fd, const struct stat& st, std::span<const uid_t> trusted,
                                          const Accounts& accounts, const QString& name);

} // namespace tw::host
