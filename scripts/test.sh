#!/usr/bin/env bash
# Builds the native, native-asan and win32 presets and runs every test.
#
# On a fresh Debian 12 machine run it as root: it first installs what the
# builds and the Wine tests need. As another user it only reports what is
# missing and tries anyway.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
LOGS=$ROOT/build/test-logs
mkdir -p "$LOGS"

PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev nlohmann-json3-dev
  g++-mingw-w64-i686 wine wine32:i386 xvfb xauth fonts-arphic-uming
  libfreetype-dev libfontconfig-dev
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

# Wine's 32-bit programs need a kernel that runs i386 code. Where it does
# not (the loader fails with "Exec format error"), qemu-user runs them,
# registered with binfmt_misc like a foreign architecture.
ensure_i386_programs_run() {
  local loader=/lib/ld-linux.so.2 misc=/proc/sys/fs/binfmt_misc
  [[ -x $loader ]] || return 0
  "$loader" --version >/dev/null 2>&1 && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "this kernel does not run 32-bit programs; as root this script would set up qemu-i386" >&2
    return 0
  fi
  echo "this kernel does not run 32-bit programs: running them through qemu-i386"
  if ! dpkg-query -W -f='${Status}\n' qemu-user 2>/dev/null | grep -q '^install ok installed$'; then
    apt_install --no-install-recommends qemu-user
  fi
  [[ -e $misc/register ]] || mount -t binfmt_misc binfmt_misc "$misc"
  if [[ ! -e $misc/qemu-i386 ]]; then
    # The kernel decodes the \x escapes itself. F: the interpreter is opened
    # now, so it also serves programs started in other mount namespaces.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
      >"$misc/register"
  fi
  "$loader" --version >/dev/null
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
# preset that has lost its tests fails rather than passing with none.
run_ctest() {
  local preset=$1
  ctest --preset "$preset" --no-tests=error 2>&1 | tee "$LOGS/ctest-$preset.log"
}

build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" && cmake --build --preset "$preset"
}

TESTS_PASSED=0
TESTS_FAILED=0
count_tests() {
  local log=$LOGS/ctest-$1.log line failed total
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" 2>/dev/null | tail -n 1) || true
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
    TESTS_PASSED=$((TESTS_PASSED + total - failed))
    TESTS_FAILED=$((TESTS_FAILED + failed))
  fi
}

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

section "packages"
install_missing
ensure_i386_programs_run
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
SIM=$ROOT/build/native/sim/icbus-sim
if [[ -x $SIM ]]; then
  if step "win32: build" build win32 "-DICBUS_SIM_PROGRAM=$SIM"; then
    step "win32: tests" run_ctest win32 || true
    count_tests win32
  fi
else
  echo "win32: skipped, the native build produced no $SIM" >&2
  FAILED_STEPS+=("win32 (no native icbus-sim)")
fi

section "summary"
if ((${#FAILED_STEPS[@]})); then
  printf 'failed: %s\n' "${FAILED_STEPS[@]}"
fi
echo "tests: $TESTS_PASSED passed, $TESTS_FAILED failed"
((${#FAILED_STEPS[@]} == 0))
