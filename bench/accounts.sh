#!/usr/bin/env bash
# bench_accounts over a generated account database: ACCOUNTS accounts, the
# user's own (root) first, and a group "crowd" that lists MEMBERS of them
# (every tenth of the others has it as its primary group). /etc/passwd,
# /etc/group and /etc/nsswitch.conf (files only) are bind-mounted in a
# private mount namespace, so nothing outside the benchmark sees them.
#
#     bench/accounts.sh [build folder] [accounts] [members] [benchmark options...]
#
# e.g. bench/accounts.sh build-rel 200000 50000 --benchmark_repetitions=3.
# Needs unshare (util-linux) and the right to make a user namespace, or root.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build-rel}" && pwd)"
accounts="${2:-200000}"
members="${3:-50000}"
shift $(($# < 3 ? $# : 3))

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
awk -v n="$accounts" -v m="$members" -v dir="$work" 'BEGIN {
  passwd = dir "/passwd"; group = dir "/group"
  print "root:x:0:0:root:/root:/bin/sh" > passwd
  print "root:x:0:" > group
  listed = ""
  for (i = 1; i < n; ++i) {
    gid = i % 10 ? 100000 + i : 60000
    printf "user%d:x:%d:%d::/home/user%d:/bin/sh\n", i, 100000 + i, gid, i > passwd
    if (i <= m) listed = listed (i > 1 ? "," : "") "user" i
  }
  print "crowd:x:60000:" listed > group
}'
printf 'passwd: files\ngroup: files\n' >"$work/nsswitch.conf"

unshare --map-root-user --mount --propagation private sh -c '
  for f in passwd group nsswitch.conf; do mount --bind "$1/$f" "/etc/$f"; done
  shift
  exec "$0" "$@"' "$build/bench/bench_accounts" "$work" "$@"
