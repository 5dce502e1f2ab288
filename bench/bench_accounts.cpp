// Every member of a group as the trust check counts them (its entry, then
// the accounts listed and by primary group), against the anchor of one
// getpwent_r walk over the same accounts, both in each iteration. Run it
// through bench/accounts.sh, which gives it a generated account database
// with a group named "crowd".

#include "BenchSupport.h"
#include "platform/WriteAccess.h"

#include <grp.h>
#include <pwd.h>

using namespace tw;

namespace {

size_t accountsListed()
{
    std::vector<char> buffer(1 << 16);
    passwd account{};
    passwd* listed = nullptr;
    size_t count = 0;
    ::setpwent();
    while (::getpwent_r(&account, buffer.data(), buffer.size(), &listed) == 0)
        ++count;
    ::endpwent();
    return count;
}

void BM_GroupMembersOverOneWalk(benchmark::State& state)
{
    const group* crowd = ::getgrnam("crowd");
    if (!crowd) {
        state.SkipWithError("no group named crowd: run it through bench/accounts.sh");
        return;
    }
    const gid_t gid = crowd->gr_gid;
    bench::Cost walk, members;
    size_t accounts = 0, found = 0;
    for (auto _ : state) {
        walk += bench::costOf([&] { accounts = accountsListed(); });
        members += bench::costOf([&] {
            const Result<host::Accounts::Group> group = host::systemAccounts().group(gid);
            found = group ? group->members.size() : 0;
        });
        if (!found)
            state.SkipWithError("the group's members were not told");
    }
    bench::reportCosts(state, "walk", walk);
    bench::reportCosts(state, "members", members);
    state.counters["accounts"] = double(accounts);
    state.counters["members"] = double(found);
    state.counters["wall_vs_walk"] = bench::ratio(members.wallMs, walk.wallMs);
}
BENCHMARK(BM_GroupMembersOverOneWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

TIDEWELL_BENCHMARK_MAIN()
