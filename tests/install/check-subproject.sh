#!/usr/bin/env bash
# Configures a host project that pulls icbus in with add_subdirectory while
# GoogleTest and nlohmann-json cannot be found, and checks that only the
# library is built for it: no simulator, tool, tests, benchmarks or
# examples, and no -Werror in any compile command.
#
#   check-subproject.sh --source ICBUS-SOURCE --work DIR
set -euo pipefail

OPTIONS="source work"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require source work
[[ -d $source ]] || usage

rm -rf "$work"
cmake -S "$source/tests/install/subproject" -B "$work" -G Ninja -DICBUS_SOURCE_DIR="$source" \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON \
  >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }

targets=$(ninja -C "$work" -t targets all | sed 's/:.*//')
grep -qx 'host' <<<"$targets" || fail "the host program is not a target"
grep -Eq '(^|/)libicbus\.so' <<<"$targets" || fail "libicbus.so is not a target"
for unwanted in icbus-sim tools/icbus icbus_unit_tests icbus_e2e_tests icbus_tool_tests \
  icbus-bench-download clock_collect card_issue bus_records; do
  ! grep -Eq "(^|/)$unwanted\$" <<<"$targets" || fail "$unwanted is built for the host"
done
commands=$(ninja -C "$work" -t commands host)
grep -q 'engine.cpp' <<<"$commands" || fail "the library's sources are not compiled for the host"
! grep -q -- '-Werror' <<<"$commands" || fail "-Werror reaches the host's build"
! grep -q 'add_test\|enable_testing' "$work/CTestTestfile.cmake" 2>/dev/null ||
  fail "tests are registered for the host"

finish
echo "check-subproject: add_subdirectory builds only the library"
