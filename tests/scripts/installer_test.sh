#!/usr/bin/env bash
# The installer of scripts/test.sh against a fake apt-get and dpkg that fail
# the ways fresh machines have failed: which tiers are installed, which
# stages run, whether the pinned fallback is tried (once, and only when it
# is needed), that its preferences file never stays behind, and the exit
# code. Nothing on the real system is touched: test.sh runs dry.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL [$scenario]: $*" >&2
  failures=$((failures + 1))
}
expect_output() { grep -qE -- "$1" "$out" || fail "output lacks /$1/"; }
refuse_output() { ! grep -qE -- "$1" "$out" || fail "output has /$1/"; }
count_calls() { grep -cE -- "$1" "$state/calls" 2>/dev/null || true; }

# run SCENARIO [I386]: a dry test.sh on a fresh fake machine.
run() {
  scenario=$1
  state=$work/$scenario
  out=$state/out
  mkdir -p "$state/lists" "$state/preferences.d"
  touch "$state/installed" "$state/calls"
  status=0
  PATH="$here/fake-apt:$PATH" FAKE_APT_STATE=$state FAKE_SCENARIO=$scenario \
    ICBUS_APT_LISTS=$state/lists ICBUS_APT_PREFERENCES_D=$state/preferences.d \
    ICBUS_I386_PROBE=${2:-yes} ICBUS_DRY_RUN=1 ICBUS_BUILD_ROOT=$state/build \
    bash "$root/scripts/test.sh" >"$out" 2>&1 || status=$?
  [[ -z $(ls -A "$state/preferences.d") ]] || fail "an apt preferences file was left behind"
}
expect_status() { ((status == $1)) || fail "exit code $status, expected $1"; }
fallbacks() { count_calls 'install -y --allow-downgrades'; }

# The machine this was first seen on: the security suite's i386 index is out
# of sync, so wine32 installs only with the security suite pinned away.
run security-broken
expect_status 0
expect_output 'win32-run +installed \(installed with the security suite pinned away\)'
expect_output 'pinned away'
[[ $(fallbacks) == 1 ]] || fail "the fallback ran $(fallbacks) times"
[[ $(count_calls 'allow-downgrades.*pinned=yes') == 1 ]] || fail "the fallback ran without its pin"
[[ $(count_calls 'dpkg --add-architecture i386') == 1 ]] || fail "i386 was not added"
expect_output 'would run: run_ctest win32'
expect_output 'note: apt-get update failed \(E: Failed to fetch .*Mirror sync in progress'

# The 32-bit tier cannot be had at all: everything else still builds and runs.
run win32-dead
expect_status 0
expect_output 'win32-run +skipped: E: Unable to correct problems, you have held broken packages. \(also with the security suite pinned away\)'
[[ $(fallbacks) == 1 ]] || fail "the fallback ran $(fallbacks) times"
for stage in 'build native' 'run_ctest native$' 'build native-asan' 'run_ctest win64' 'build win32'; do
  expect_output "would run: $stage"
done

# wine32 fails although the indexes are in step: the pin would not help.
run win32-dead-synced
expect_status 0
[[ $(fallbacks) == 0 ]] || fail "the fallback was used with the security index there"
expect_output 'win32-run +skipped: E: Unable to correct problems, you have held broken packages.$'

# An update that fails while the lists are there: the ordinary install works.
run update-fails-lists-exist
expect_status 0
[[ $(fallbacks) == 0 ]] || fail "the fallback was used although the install worked"
expect_output 'win32-run +installed \(installed wine32:i386\)'

# The security index is missing but wine32 installs all the same.
run security-missing-installable
expect_status 0
[[ $(fallbacks) == 0 ]] || fail "the fallback was used although the install worked"

# Without the native tier nothing can run, and the run fails.
run native-dead
expect_status 1
expect_output 'native +skipped: E: Unable to locate package cmake'
expect_output 'result: FAILED \(the native tier'
refuse_output 'would run: build'
expect_output 'win64: build +- +skipped: tier native not installed'

# A kernel without 32-bit programs: no i386 architecture, no wine32.
run no-i386 no
expect_status 0
expect_output 'win32-run +skipped: this kernel cannot run 32-bit \(i386\) programs'
[[ $(count_calls 'add-architecture') == 0 ]] || fail "i386 was added"
[[ $(count_calls 'wine32') == 0 ]] || fail "wine32 was asked for"

# Everything is there already: apt is not asked at all.
scenario=all-installed
mkdir -p "$work/$scenario"
(
  source "$root/scripts/lib/tiers.sh"
  for tier in "${TIERS[@]}"; do printf '%s\n' ${TIER_PACKAGES[$tier]}; done
) >"$work/$scenario/installed"
run all-installed
expect_status 0
[[ $(count_calls '^apt-get') == 0 ]] || fail "apt-get was called"
expect_output 'tiers:'
expect_output 'stages \(wall time\):'

if ((failures)); then
  echo "installer test: $failures failures" >&2
  exit 1
fi
echo "installer test: all scenarios passed"
