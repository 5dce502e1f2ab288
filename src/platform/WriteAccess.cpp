#include "platform/WriteAccess.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unordered_map>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace tw::host {

namespace {

constexpr size_t kMaxRecord = size_t(1) << 20;  // one account's or group's entry

Error unknown(const QString& what)
{
    return {kPosixErrorDomain, ENOENT, what};
}

// Calls lookup(buffer, size) (a getgrgid_r and the like) with a buffer that
// grows while the entry does not fit; its result.
template <typename Lookup>
int withBuffer(std::vector<char>& buffer, Lookup&& lookup)
{
    int error;
    while ((error = lookup(buffer.data(), buffer.size())) == ERANGE && buffer.size() < kMaxRecord)
        buffer.resize(buffer.size() * 2);
    return error;
}

// NSS's entries, each read into a buffer of at most kMaxRecord.
class NssDatabase final : public AccountDatabase {
public:
    Result<std::optional<GroupEntry>> group(gid_t gid) const override
    {
        std::vector<char> buffer(4096);
        ::group entry{};
        ::group* found = nullptr;
        if (const int error = withBuffer(buffer, [&](char* b, size_t n) { return ::getgrgid_r(gid, &entry, b, n, &found); }))
            return Error::posix(error);
        if (!found)
            return std::optional<GroupEntry>();
        GroupEntry out{entry.gr_name, {}};
        for (char** name = entry.gr_mem; name && *name; ++name)
            out.members.emplace_back(*name);
        return std::optional(std::move(out));
    }

    Result<std::optional<uid_t>> accountNamed(const std::string& name) const override
    {
        std::vector<char> buffer(4096);
        ::passwd account{};
        ::passwd* found = nullptr;
        if (const int error = withBuffer(buffer, [&](char* b, size_t n) {
                return ::getpwnam_r(name.c_str(), &account, b, n, &found);
            }))
            return Error::posix(error);
        return found ? std::optional(account.pw_uid) : std::nullopt;
    }

    // getpwent_r says "no more" (ENOENT) also when it cannot open the database.
    Result<void> forEachAccount(const std::function<void(const Account&)>& each) const override
    {
        std::vector<char> buffer(4096);
        ::passwd account{};
        ::passwd* listed = nullptr;
        ::setpwent();
        int error = 0;
        while ((error = withBuffer(buffer, [&](char* b, size_t n) { return ::getpwent_r(&account, b, n, &listed); })) ==
               0)
            each({account.pw_name, account.pw_uid, account.pw_gid});
        ::endpwent();
        return error == ENOENT ? Result<void>() : Error::posix(error);
    }
};

class SystemAccounts final : public Accounts {
public:
    Result<Group> group(gid_t gid) const override
    {
        return membersOf(gid, m_database, ::geteuid());
    }

    Result<std::vector<AclEntry>> accessAcl(int fd) const override
    {
        // An O_PATH descriptor takes no fgetxattr; its name in /proc does.
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const auto read = [&](void* into, size_t size) {
            const ssize_t got = ::fgetxattr(fd, kAclName, into, size);
            return got < 0 && errno == EBADF ? ::getxattr(path.c_str(), kAclName, into, size) : got;
        };
        std::vector<unsigned char> value;
        ssize_t got = -1;
        for (int tries = 0; tries < 3; ++tries) {
            got = read(nullptr, 0);
            if (got < 0)
                break;
            value.resize(size_t(got));
            got = read(value.data(), value.size());
            if (got >= 0 || errno != ERANGE)
                break;
        }
        if (got < 0)
            return errno == ENODATA || errno == ENOTSUP ? Result<std::vector<AclEntry>>(std::vector<AclEntry>{}) : Error::posix(errno);
        return parsedAcl(value.data(), size_t(got));
    }

private:
    static constexpr char kAclName[] = "system.posix_acl_access";
    NssDatabase m_database;

    // The kernel's form, little-endian: a version (2), then a tag, the
    // permissions and an id for each entry.
    static Result<std::vector<AclEntry>> parsedAcl(const unsigned char* value, size_t size)
    {
        const auto word = [value](size_t at, int bytes) {
            std::uint32_t v = 0;
            for (int k = bytes - 1; k >= 0; --k)
                v = v << 8 | value[at + size_t(k)];
            return v;
        };
        const Error garbled = {kPosixErrorDomain, EINVAL, QStringLiteral("its ACL is not understood")};
        if (size < 4 || (size - 4) % 8 != 0 || word(0, 4) != 2)
            return garbled;
        std::vector<AclEntry> entries;
        for (size_t at = 4; at < size; at += 8) {
            const AclEntry entry{std::uint16_t(word(at, 2)), std::uint16_t(word(at + 2, 2)), word(at + 4, 4)};
            switch (entry.tag) {
            case AclEntry::Owner:
            case AclEntry::User:
            case AclEntry::OwningGroup:
            case AclEntry::Group:
            case AclEntry::Mask:
            case AclEntry::Others:
                entries.push_back(entry);
                break;
            default:
                return garbled;
            }
        }
        return entries;
    }
};

} // namespace

Result<Accounts::Group> membersOf(gid_t gid, const AccountDatabase& database, uid_t user)
{
    const Result<std::optional<AccountDatabase::GroupEntry>> entry = database.group(gid);
    if (!entry)
        return entry.error();
    if (!*entry)
        return unknown(QStringLiteral("group %1 is not known").arg(gid));
    const std::vector<std::string>& listed = (*entry)->members;
    std::unordered_map<std::string_view, bool> seen;  // each listed name, whether found yet
    seen.reserve(listed.size());
    for (const std::string& name : listed)
        seen.emplace(name, false);
    Accounts::Group out{QString::fromLocal8Bit((*entry)->name), {}};
    bool sawUser = false;
    const Result<void> walked = database.forEachAccount([&](const AccountDatabase::Account& account) {
        sawUser = sawUser || account.uid == user;
        const auto named = seen.find(account.name);
        if (named != seen.end())
            named->second = true;
        if (named != seen.end() || account.gid == gid)
            out.members.push_back(account.uid);
    });
    if (!walked)
        return walked.error();
    if (!sawUser)
        return unknown(QStringLiteral("the accounts cannot all be listed"));
    for (const std::string& name : listed) {
        bool& found = seen[name];
        if (found)
            continue;
        const Result<std::optional<uid_t>> uid = database.accountNamed(name);
        if (!uid)
            return uid.error();
        if (!*uid)
            return unknown(QStringLiteral("its member %1 is not known").arg(QString::fromLocal8Bit(name)));
        out.members.push_back(**uid);
        found = true;
    }
    return out;
}

const Accounts& systemAccounts()
{
    static const SystemAccounts accounts;
    return accounts;
}

std::optional<Refusal> changeableByOthers(int fd, const struct stat& st, std::span<const uid_t> trusted,
                                          const Accounts& accounts, const QString& name)
{
    const auto isTrusted = [trusted](uid_t uid) { return std::ranges::find(trusted, uid) != trusted.end(); };
    const auto refused = [&name](const QString& why) { return Refusal{why.arg(name), 0}; };
    const auto cannotTell = [&name](const Error& error) {
        return Refusal{QStringLiteral("cannot tell who may write to %1: %2").arg(name, error.description), error.code, true};
    };
    if (!isTrusted(st.st_uid))
        return refused(QStringLiteral("%1 belongs to another user"));
    if (st.st_mode & S_IWOTH)
        return refused(QStringLiteral("other users may write to %1"));
    const Result<std::vector<AclEntry>> acl = accounts.accessAcl(fd);
    if (!acl)
        return cannotTell(acl.error());

    // The groups that may write. With an ACL, the mode's group bits are its
    // mask: the owning group's own entry says what that group may do.
    std::vector<gid_t> groups;
    if (acl->empty() && (st.st_mode & S_IWGRP))
        groups.push_back(st.st_gid);
    const auto mask = std::ranges::find(*acl, AclEntry::Mask, &AclEntry::tag);
    const std::uint16_t masked = mask == acl->end() ? 7 : mask->perm;
    for (const AclEntry& entry : *acl) {
        if (!(entry.perm & masked & AclEntry::kWrite))
            continue;
        if (entry.tag == AclEntry::User && !isTrusted(entry.id))
            return refused(QStringLiteral("other users may write to %1 (its ACL)"));
        if (entry.tag == AclEntry::OwningGroup)
            groups.push_back(st.st_gid);
        if (entry.tag == AclEntry::Group)
            groups.push_back(entry.id);
    }
    for (const gid_t gid : groups) {
        const Result<Accounts::Group> group = accounts.group(gid);
        if (!group)
            return cannotTell(group.error());
        if (!std::ranges::all_of(group->members, isTrusted))
            return Refusal{QStringLiteral("other users may write to %1 (the group %2)").arg(name, group->name), 0};
    }
    return std::nullopt;
}

} // namespace tw::host
