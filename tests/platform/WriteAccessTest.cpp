// Who may change a file: the owner, every member of a group that may write
// (listed or by primary group), each account an access ACL lets write; what
// cannot be told is a refusal.

#include "platform/WriteAccess.h"

#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

namespace tw {
namespace {

using host::AclEntry;
using host::Accounts;

class FakeAccounts final : public Accounts {
public:
    std::map<gid_t, Group> groups;
    std::vector<AclEntry> acl;
    int aclError = 0;

    Result<Group> group(gid_t gid) const override
    {
        if (const auto found = groups.find(gid); found != groups.end())
            return found->second;
        return Error{kPosixErrorDomain, ENOENT, QStringLiteral("group %1 is not known").arg(gid)};
    }
    Result<std::vector<AclEntry>> accessAcl(int) const override
    {
        if (aclError)
            return Error::posix(aclError);
        return acl;
    }
};

// The user, the program file's owner, another account; their own groups.
constexpr uid_t kUser = 1000, kPackager = 1500, kOther = 1001;
constexpr gid_t kUsers = 100, kStaff = 50;

// A file's ACL: its owner rw-, then entries, the owning group r--, a mask
// and others r--.
std::vector<AclEntry> aclWith(std::vector<AclEntry> entries, std::uint16_t mask)
{
    entries.insert(entries.begin(), {AclEntry::Owner, 6, 0});
    entries.push_back({AclEntry::OwningGroup, 4, 0});
    entries.push_back({AclEntry::Mask, mask, 0});
    entries.push_back({AclEntry::Others, 4, 0});
    return entries;
}

TEST(WriteAccess, OnlyRootTheUserAndTheProgramsOwnerMayChangeATrustedFile)
{
    const Accounts::Group own{"alice", {kUser}};
    const Accounts::Group ownShared{"alice", {kUser, kOther}};
    const Accounts::Group users{"users", {kUser, kOther}};
    const Accounts::Group installers{"installers", {kUser, kPackager}};
    struct Case {
        const char* what;
        uid_t owner;
        gid_t group;
        mode_t mode;
        std::map<gid_t, Accounts::Group> groups;
        std::vector<AclEntry> acl;
        int aclError;
        QString refused;  // empty: trusted
        int error;
    };
    const Case cases[] = {
        {"umask 022, no group looked up", kUser, kUser, 0755, {}, {}, 0, "", 0},
        {"root's", 0, 0, 0755, {}, {}, 0, "", 0},
        {"umask 002, the user's group holds no one else", kUser, kUser, 0775, {{kUser, own}}, {}, 0, "", 0},
        {"umask 002, another account in the user's group", kUser, kUser, 0775, {{kUser, ownShared}}, {}, 0,
         "other users may write to F (the group alice)", 0},
        {"a shared group not named after the user", kUser, kUsers, 0775, {{kUsers, users}}, {}, 0,
         "other users may write to F (the group users)", 0},
        {"a group of the user and the program's owner", kUser, kStaff, 0775, {{kStaff, installers}}, {}, 0, "", 0},
        {"another account's install", kPackager, kPackager, 0755, {}, {}, 0, "", 0},
        {"another account's file", kOther, kOther, 0755, {}, {}, 0, "F belongs to another user", 0},
        {"anyone may write", kUser, kUser, 0757, {}, {}, 0, "other users may write to F", 0},
        {"an ACL lets another account write", kUser, kUser, 0664, {}, aclWith({{AclEntry::User, 6, kOther}}, 6), 0,
         "other users may write to F (its ACL)", 0},
        {"an ACL lets the program's owner write", kUser, kUser, 0664, {},
         aclWith({{AclEntry::User, 6, kPackager}}, 6), 0, "", 0},
        {"an ACL's mask keeps another account from writing", kUser, kUser, 0644, {},
         aclWith({{AclEntry::User, 6, kOther}}, 4), 0, "", 0},
        {"an ACL lets a shared group write", kUser, kUser, 0664, {{kUsers, users}},
         aclWith({{AclEntry::Group, 6, kUsers}}, 6), 0, "other users may write to F (the group users)", 0},
        {"an ACL lets the owning group write", kUser, kUsers, 0664, {{kUsers, users}},
         {{AclEntry::Owner, 6, 0}, {AclEntry::OwningGroup, 6, 0}, {AclEntry::Mask, 6, 0}, {AclEntry::Others, 4, 0}},
         0, "other users may write to F (the group users)", 0},
        {"a group that may write cannot be looked up", kUser, 4242, 0775, {}, {}, 0,
         "cannot tell who may write to F: group 4242 is not known", ENOENT},
        {"the ACL cannot be read", kUser, kUser, 0755, {}, {}, EMFILE,
         "cannot tell who may write to F: " + QString::fromLocal8Bit(strerror(EMFILE)), EMFILE},
    };
    const uid_t trusted[] = {0, kUser, kPackager};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts accounts;
        accounts.groups = c.groups;
        accounts.acl = c.acl;
        accounts.aclError = c.aclError;
        struct stat st {};
        st.st_uid = c.owner;
        st.st_gid = c.group;
        st.st_mode = S_IFDIR | c.mode;
        const std::optional<host::Refusal> refusal = host::changeableByOthers(-1, st, trusted, accounts, "F");
        EXPECT_EQ(refusal ? refusal->why : QString(), c.refused);
        EXPECT_EQ(refusal ? refusal->error : 0, c.error);
    }
}

// Accounts as a directory service lists them, counting what is read; it
// knows one more, "remote", by name only.
class FakeDatabase final : public host::AccountDatabase {
public:
    GroupEntry crowd{"crowd", {"remote"}};
    std::vector<std::tuple<std::string, uid_t, gid_t>> listed{{"alice", kUser, kUser}};
    int walkError = 0;  // after the listed accounts
    mutable int accountsRead = 0, namesLookedUp = 0;

    Result<std::optional<GroupEntry>> group(gid_t) const override { return std::optional(crowd); }
    Result<std::optional<uid_t>> accountNamed(const std::string& name) const override
    {
        ++namesLookedUp;
        return name == "remote" ? std::optional<uid_t>(7000) : std::nullopt;
    }
    Result<void> forEachAccount(const std::function<void(const Account&)>& each) const override
    {
        for (const auto& [name, uid, gid] : listed) {
            ++accountsRead;
            each({name, uid, gid});
        }
        return walkError ? Result<void>(Error::posix(walkError)) : Result<void>();
    }
};

TEST(WriteAccess, AGroupsMembersAreCountedInOnePassOverAWholeAccountList)
{
    // 3,000 accounts more; every tenth has the group as its primary one,
    // and it lists a third of them.
    constexpr gid_t kCrowd = 500;
    FakeDatabase db;
    std::vector<uid_t> expected{7000};
    for (uid_t i = 0; i < 3000; ++i) {
        std::string name = "u";  // not "u" + ...: GCC 12 at -O3 warns of an overlap that is not there
        name += std::to_string(i);
        db.listed.emplace_back(name, 2000 + i, i % 10 ? 3000 + i : kCrowd);
        if (i % 3 == 0)
            db.crowd.members.push_back(name);
        if (i % 10 == 0 || i % 3 == 0)
            expected.push_back(2000 + i);
    }
    Result<Accounts::Group> members = host::membersOf(kCrowd, db, kUser);
    ASSERT_TRUE(members) << members.error().description.toStdString();
    std::ranges::sort(members->members);
    std::ranges::sort(expected);
    EXPECT_EQ(members->members, expected);
    EXPECT_EQ(db.accountsRead, int(db.listed.size()));
    EXPECT_EQ(db.namesLookedUp, 1);

    // A list that stops short or fails tells nothing, whatever it held.
    const auto refusal = [&](const FakeDatabase& partial) {
        const Result<Accounts::Group> group = host::membersOf(kCrowd, partial, kUser);
        return group ? QString() : group.error().description;
    };
    FakeDatabase withoutUser = db, failing = db, unknownMember = db;
    withoutUser.listed.erase(withoutUser.listed.begin());
    EXPECT_EQ(refusal(withoutUser), "the accounts cannot all be listed");
    failing.walkError = EIO;
    EXPECT_EQ(refusal(failing), QString::fromLocal8Bit(strerror(EIO)));
    unknownMember.crowd.members.push_back("ghost");
    EXPECT_EQ(refusal(unknownMember), "its member ghost is not known");
}

TEST(WriteAccess, TheSystemTellsEveryMemberOfAGroupAndAFilesAcl)
{
    const Accounts& system = host::systemAccounts();
    // By primary group: the user's own group holds the user, listed or not.
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_TRUE(user);
    const gid_t ownGid = user->pw_gid;
    const Result<Accounts::Group> own = system.group(ownGid);
    ASSERT_TRUE(own) << own.error().description.toStdString();
    EXPECT_EQ(own->name, QString::fromLocal8Bit(::getgrgid(ownGid)->gr_name));
    EXPECT_THAT(own->members, testing::Contains(::geteuid()));

    // Listed: a group that lists an account of another primary group holds it.
    std::optional<std::pair<gid_t, uid_t>> listed;
    ::setgrent();
    while (const group* g = ::getgrent()) {
        for (char** name = g->gr_mem; !listed && name && *name; ++name)
            if (const passwd* member = ::getpwnam(*name); member && member->pw_gid != g->gr_gid)
                listed = std::pair(g->gr_gid, member->pw_uid);
    }
    ::endgrent();
    if (listed) {
        const Result<Accounts::Group> withListed = system.group(listed->first);
        ASSERT_TRUE(withListed);
        EXPECT_THAT(withListed->members, testing::Contains(listed->second));
    }

    gid_t unknown = 3'999'999'000;
    while (::getgrgid(unknown))
        ++unknown;
    const Result<Accounts::Group> none = system.group(unknown);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().description, QStringLiteral("group %1 is not known").arg(unknown));

    // The ACL as the kernel keeps it (a file with none has an empty one).
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray file = QFile::encodeName(tmp.filePath("f"));
    const int fd = ::open(file.constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const Result<std::vector<AclEntry>> plain = system.accessAcl(fd);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->empty());
    const unsigned char acl[] = {2, 0, 0, 0,                                // version
                                 0x01, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,     // owner rw-
                                 0x02, 0, 6, 0, 0xfe, 0xff, 0, 0,           // user 65534 rw-
                                 0x04, 0, 4, 0, 0xff, 0xff, 0xff, 0xff,     // owning group r--
                                 0x10, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,     // mask rw-
                                 0x20, 0, 4, 0, 0xff, 0xff, 0xff, 0xff};    // others r--
    if (::fsetxattr(fd, "system.posix_acl_access", acl, sizeof acl, 0) != 0) {
        EXPECT_EQ(errno, EOPNOTSUPP);
    } else {
        const Result<std::vector<AclEntry>> read = system.accessAcl(fd);
        ASSERT_TRUE(read);
        ASSERT_EQ(read->size(), 5u);
        EXPECT_EQ((*read)[1].tag, AclEntry::User);
        EXPECT_EQ((*read)[1].perm, 6);
        EXPECT_EQ((*read)[1].id, 65534u);
        EXPECT_EQ((*read)[3].tag, AclEntry::Mask);
    }
    ::close(fd);
}

} // namespace
} // namespace tw
