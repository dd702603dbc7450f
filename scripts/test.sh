#!/usr/bin/env bash
# Builds every preset and runs every test: native, native-asan, win64,
# win32, and the fuzzer's short campaign where that preset exists.
#
# On a fresh Debian 12 machine run it as root: it first installs what the
# builds and tests need, in tiers (scripts/lib/tiers.sh). A tier that
# cannot be installed skips only the stages that need it, and the summary
# says why; the native tier failing fails the run. As another user it only
# reports what is missing and runs what it can.
#
# The 32-bit DLL's Wine run needs a kernel that runs i386 programs and the
# win32-run tier; without them ctest reports it skipped with the reason,
# the DLL is still checked from its headers, and the 64-bit DLL runs the
# same tests under wine64.
#
# ICBUS_BUILD_ROOT (default: build/) holds one build tree per preset and the
# logs. ICBUS_DRY_RUN=1 installs and plans but runs no stage (it prints each
# stage's command instead), for the installer's own tests.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
BUILD_ROOT=${ICBUS_BUILD_ROOT:-$ROOT/build}
LOGS=$BUILD_ROOT/test-logs
mkdir -p "$LOGS"
APT_LOG_DIR=$LOGS
# shellcheck source=lib/tiers.sh
source "$ROOT/scripts/lib/tiers.sh"

section() { printf '\n======== %s ========\n' "$*"; }

STAGE_ROWS=()
FAILED_STAGES=()
# run_stage NAME "TIER..." COMMAND...: runs COMMAND when every tier it
# needs is installed, and keeps its result and wall time for the summary.
run_stage() {
  local name=$1 tiers=$2 tier
  shift 2
  for tier in $tiers; do
    if [[ ${TIER_STATUS[$tier]:-} != installed ]]; then
      STAGE_ROWS+=("$(printf '%-22s %6s  skipped: tier %s not installed' "$name" - "$tier")")
      return 1
    fi
  done
  section "$name"
  local started=$SECONDS status=0
  if [[ ${ICBUS_DRY_RUN:-0} == 1 ]]; then
    echo "would run: $*"
  else
    "$@" || status=$?
  fi
  local took=$((SECONDS - started)) result=ok
  if ((status != 0)); then
    result=FAILED
    FAILED_STAGES+=("$name")
  fi
  echo "-- $name: $result ($took s)"
  STAGE_ROWS+=("$(printf '%-22s %4d s  %s' "$name" "$took" "$result")")
  return "$status"
}

# The presets' settings, in a tree of their own under $BUILD_ROOT.
build() {
  local preset=$1
  shift
  cmake --preset "$preset" -B "$BUILD_ROOT/$preset" "$@" &&
    cmake --build "$BUILD_ROOT/$preset" --parallel 2
}

# ctest with its output kept, so the totals can be counted. A preset that
# has lost its tests fails rather than passing with none. The reasons tests
# gave for skipping themselves are shown as well.
run_ctest() {
  local preset=$1 status=0
  ctest --test-dir "$BUILD_ROOT/$preset" --output-on-failure --no-tests=error 2>&1 |
    tee "$LOGS/ctest-$preset.log" || status=$?
  grep -h 'SKIPPED:' "$BUILD_ROOT/$preset/Testing/Temporary/LastTest.log" 2>/dev/null || true
  return "$status"
}

# ctest counts a skipped test among the passed ones in its "N tests failed
# out of M" line and lists it again under "did not run": report it apart.
SUITE_ROWS=()
TESTS_PASSED=0 TESTS_FAILED=0 TESTS_SKIPPED=0
count_tests() {
  local suite=$1 log=$LOGS/ctest-$1.log line failed total skipped passed
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" 2>/dev/null | tail -n 1) || true
  if [[ ! $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    SUITE_ROWS+=("$(printf '%-14s no results' "$suite")")
    return
  fi
  failed=${BASH_REMATCH[1]}
  total=${BASH_REMATCH[2]}
  skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log" 2>/dev/null) || true
  skipped=${skipped:-0}
  passed=$((total - failed - skipped))
  SUITE_ROWS+=("$(printf '%-14s %4d passed, %d failed, %d skipped' "$suite" "$passed" "$failed" "$skipped")")
  TESTS_PASSED=$((TESTS_PASSED + passed))
  TESTS_FAILED=$((TESTS_FAILED + failed))
  TESTS_SKIPPED=$((TESTS_SKIPPED + skipped))
}

# build_and_test PRESET "TIER..." [CMAKE-ARGS...]
build_and_test() {
  local preset=$1 tiers=$2
  shift 2
  run_stage "$preset: build" "$tiers" build "$preset" "$@" || return 0
  run_stage "$preset: tests" "$tiers" run_ctest "$preset" || true
  [[ ${ICBUS_DRY_RUN:-0} == 1 ]] || count_tests "$preset"
}

export ASAN_OPTIONS=detect_leaks=1
# fontconfig keeps its configuration for the life of the process.
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

RUN_STARTED=$SECONDS
section "packages"
started=$SECONDS
install_tiers
STAGE_ROWS+=("$(printf '%-22s %4d s  %s' "packages" "$((SECONDS - started))" "done")")
rm -f "$LOGS"/ctest-*.log

build_and_test native "native"
build_and_test native-asan "native"

# The Wine tests drive the real DLL against the native simulator.
SIM=$BUILD_ROOT/native/sim/icbus-sim
if [[ ${TIER_STATUS[win32-run]:-} != installed ]]; then
  export ICBUS_WINE32_SKIP_REASON="the win32-run tier is not installed: ${TIER_REASON[win32-run]:-}"
fi
build_and_test win64 "native win64" "-DICBUS_SIM_PROGRAM=$SIM"
build_and_test win32 "native win32-build" "-DICBUS_SIM_PROGRAM=$SIM"
if grep -q '"name": "fuzz"' CMakePresets.json; then
  build_and_test fuzz "native fuzz"
fi

section "summary"
echo "tiers:"
for tier in "${TIERS[@]}"; do
  case ${TIER_STATUS[$tier]:-} in
    installed) printf '  %-12s installed (%s)\n' "$tier" "${TIER_NOTE[$tier]:-}" ;;
    *) printf '  %-12s skipped: %s\n' "$tier" "${TIER_REASON[$tier]:-not attempted}" ;;
  esac
done
[[ -z ${APT_UPDATE_NOTE:-} ]] || echo "  note: $APT_UPDATE_NOTE"
echo "suites:"
printf '  %s\n' "${SUITE_ROWS[@]:-none ran}"
echo "stages (wall time):"
printf '  %s\n' "${STAGE_ROWS[@]}"
echo "total: $((SECONDS - RUN_STARTED)) s"
echo "tests: $TESTS_PASSED passed, $TESTS_FAILED failed, $TESTS_SKIPPED skipped"

if [[ ${TIER_STATUS[native]:-} != installed ]]; then
  echo "result: FAILED (the native tier could not be installed: ${TIER_REASON[native]:-})"
  exit 1
fi
if ((${#FAILED_STAGES[@]})); then
  echo "result: FAILED ($(
    IFS=,
    echo "${FAILED_STAGES[*]}"
  ))"
  exit 1
fi
echo "result: ok"
