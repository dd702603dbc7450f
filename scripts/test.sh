#!/usr/bin/env bash
# Builds the native, native-asan, win32 and win64 presets and runs every
# test.
#
# On a fresh Debian 12 machine run it as root: it first installs what the
# builds and the Wine tests need. As another user it only reports what is
# missing and tries anyway.
#
# The 32-bit DLL's Wine test needs a kernel that runs 32-bit (i386)
# programs; where it cannot, ctest reports that test skipped with the reason,
# the DLL is still checked from its headers, and the 64-bit DLL runs under
# wine64 against the same simulator.
#
# ICBUS_BUILD_ROOT (default: build/) holds one build tree per preset and the
# logs; another root keeps a run's trees apart from the usual ones.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
BUILD_ROOT=${ICBUS_BUILD_ROOT:-$ROOT/build}
LOGS=$BUILD_ROOT/test-logs
mkdir -p "$LOGS"

PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev nlohmann-json3-dev
  g++-mingw-w64-i686 wine wine32:i386 xvfb xauth fonts-arphic-uming
  libfreetype-dev libfontconfig-dev
  wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
)

section() { printf '\n======== %s ========\n' "$*"; }

missing_packages() {
  local package
  for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
      echo "$package"
    fi
  done
}

# A mirror that is being synced, or one architecture's index that fails,
# makes "apt-get update" exit non-zero although the lists it did fetch are
# usable; so retry a few times, then go on and let the install decide.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    if apt-get -o Acquire::Retries=3 update; then return 0; fi
    echo "apt-get update failed (attempt $attempt of 3)" >&2
    if ((attempt < 3)); then sleep $((attempt * 10)); fi
  done
  echo "apt-get update kept failing; trying the install with the lists there are" >&2
}

apt_install() {
  local attempt
  for attempt in 1 2 3; do
    if apt-get -o Acquire::Retries=3 install -y "$@"; then return 0; fi
    echo "apt-get install failed (attempt $attempt of 3)" >&2
    if ((attempt < 3)); then
      sleep $((attempt * 10))
      apt_update
    fi
  done
  return 1
}

install_missing() {
  local missing
  mapfile -t missing < <(missing_packages)
  if ((${#missing[@]} == 0)); then
    echo "all build and test packages are installed"
    return 0
  fi
  if [[ $(id -u) -ne 0 ]]; then
    echo "missing packages (run as root to install them): ${missing[*]}" >&2
    return 0
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
  apt_install "${missing[@]}"
}

# Runs one step, remembering a failure instead of stopping, so one broken
# preset does not hide the state of the others.
FAILED_STEPS=()
step() {
  local name=$1
  shift
  section "$name"
  local started=$SECONDS
  if "$@"; then
    echo "-- $name: ok ($((SECONDS - started)) s)"
    return 0
  fi
  echo "-- $name: FAILED ($((SECONDS - started)) s)" >&2
  FAILED_STEPS+=("$name")
  return 1
}

# ctest with its output kept, so the totals can be added up at the end. A
# preset that has lost its tests fails rather than passing with none. The
# reason a test gave for skipping itself is shown as well.
run_ctest() {
  local preset=$1 status=0
  ctest --test-dir "$BUILD_ROOT/$preset" --output-on-failure --no-tests=error 2>&1 |
    tee "$LOGS/ctest-$preset.log" || status=$?
  grep -h 'SKIPPED:' "$BUILD_ROOT/$preset/Testing/Temporary/LastTest.log" 2>/dev/null || true
  return "$status"
}

# The presets' settings, in a tree of their own under $BUILD_ROOT.
build() {
  local preset=$1
  shift
  cmake --preset "$preset" -B "$BUILD_ROOT/$preset" "$@" &&
    cmake --build "$BUILD_ROOT/$preset" --parallel 2
}

# ctest counts a skipped test among the passed ones in its "N tests failed
# out of M" line and lists it again under "did not run": take it out of the
# passed ones and report it apart.
TESTS_PASSED=0
TESTS_FAILED=0
TESTS_SKIPPED=0
count_tests() {
  local log=$LOGS/ctest-$1.log line failed total skipped
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" 2>/dev/null | tail -n 1) || true
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
    skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log" 2>/dev/null) || true
    skipped=${skipped:-0}
    TESTS_PASSED=$((TESTS_PASSED + total - failed - skipped))
    TESTS_FAILED=$((TESTS_FAILED + failed))
    TESTS_SKIPPED=$((TESTS_SKIPPED + skipped))
  fi
}

export ASAN_OPTIONS=detect_leaks=1
# fontconfig keeps its configuration for the life of the process.
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

section "packages"
install_missing
rm -f "$LOGS"/ctest-*.log

if step "native: build" build native; then
  step "native: tests" run_ctest native || true
  count_tests native
fi

if step "native-asan: build" build native-asan; then
  step "native-asan: tests" run_ctest native-asan || true
  count_tests native-asan
fi

# The Wine tests drive the real DLL against the native simulator.
SIM=$BUILD_ROOT/native/sim/icbus-sim
for preset in win32 win64; do
  if [[ ! -x $SIM ]]; then
    echo "$preset: not built, the native build produced no $SIM" >&2
    FAILED_STEPS+=("$preset (no native icbus-sim)")
    continue
  fi
  if step "$preset: build" build "$preset" "-DICBUS_SIM_PROGRAM=$SIM"; then
    step "$preset: tests" run_ctest "$preset" || true
    count_tests "$preset"
  fi
done

section "summary"
if ((${#FAILED_STEPS[@]})); then
  printf 'failed: %s\n' "${FAILED_STEPS[@]}"
fi
echo "tests: $TESTS_PASSED passed, $TESTS_FAILED failed, $TESTS_SKIPPED skipped"
((${#FAILED_STEPS[@]} == 0))
