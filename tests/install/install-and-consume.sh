#!/usr/bin/env bash
# Installs a native build into an empty prefix and uses it as an integrator
# would: checks the installed files and the library's SONAME, builds a tiny
# host program through find_package(icbus) and through pkg-config, builds the
# examples on their own against the prefix, and runs them and the installed
# icbus tool against the installed icbus-sim.
#
#   install-and-consume.sh --build BUILD-DIR --source SOURCE-DIR --work DIR
#                          --version X.Y.Z
set -euo pipefail

OPTIONS="build source work version"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require build source work version
major=${version%%.*}
run_with_sim=$source/tests/examples/run-with-sim.sh

step() { printf -- '-- %s\n' "$*"; }

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; exit 1; }

# Where GNUInstallDirs put the libraries (lib, or lib/<multiarch> for /usr).
pc=$(find "$prefix" -name icbus.pc -path '*/pkgconfig/*' | head -n 1)
[[ -n $pc ]] || { echo "install-and-consume: no icbus.pc installed" >&2; exit 1; }
libdir=$(dirname "$(dirname "$pc")")

step "installed files"
for file in "$libdir/libicbus.so.$version" "$libdir/libicbus.so.$major" "$libdir/libicbus.so" \
  "$prefix/include/icbus.h" "$prefix/include/icbus_version.h" \
  "$libdir/cmake/icbus/icbusConfig.cmake" "$libdir/cmake/icbus/icbusConfigVersion.cmake" \
  "$libdir/cmake/icbus/icbusTargets.cmake" "$prefix/bin/icbus" "$prefix/bin/icbus-sim" \
  "$prefix/share/man/man1/icbus.1" "$prefix/share/man/man1/icbus-sim.1" \
  "$prefix/share/doc/icbus/LICENSE"; do
  [[ -e $file ]] || fail "not installed: ${file#"$prefix"/}"
done
[[ $(readlink "$libdir/libicbus.so.$major") == "libicbus.so.$version" ]] ||
  fail "libicbus.so.$major does not point to libicbus.so.$version"
soname=$(objdump -p "$libdir/libicbus.so.$version" | awk '$1 == "SONAME" { print $2 }')
[[ $soname == "libicbus.so.$major" ]] || fail "SONAME is '$soname', not libicbus.so.$major"
grep -qx "prefix=$prefix" "$pc" || fail "icbus.pc does not name the prefix $prefix"

step "a consumer through find_package(icbus)"
cmake -S "$source/tests/install/consumer" -B "$work/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 ||
  { cat "$work/consumer.log" >&2; exit 1; }

step "the same consumer through pkg-config"
export PKG_CONFIG_PATH=$(dirname "$pc")
[[ $(pkg-config --modversion icbus) == "$version" ]] || fail "pkg-config says $(pkg-config --modversion icbus)"
mkdir -p "$work/pkg-config"
# shellcheck disable=SC2046 # the flags are words
cc -Wall -Wextra -Werror -o "$work/pkg-config/consumer" "$source/tests/install/consumer/consumer.c" \
  $(pkg-config --cflags --libs icbus) -Wl,-rpath,"$(pkg-config --variable=libdir icbus)"

step "the examples on their own, against the prefix"
cmake -S "$source/examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  >"$work/examples.log" 2>&1 && cmake --build "$work/examples" >>"$work/examples.log" 2>&1 ||
  { cat "$work/examples.log" >&2; exit 1; }

# Each program must load the installed library, not one of a build tree.
for program in "$work/consumer/consumer" "$work/pkg-config/consumer" \
  "$work/examples/clock_collect" "$work/examples/card_issue" "$work/examples/bus_records" \
  "$prefix/bin/icbus"; do
  loaded=$(ldd "$program" | awk '$1 ~ /^libicbus/ { print $3 }')
  [[ -n $loaded && $(readlink -f "$loaded") == $(readlink -f "$libdir/libicbus.so.$major") ]] ||
    fail "${program#"$work"/} loads '$loaded', not the installed library"
done

sim=$prefix/bin/icbus-sim
run() {
  local name=$1
  shift
  step "run $name against the installed icbus-sim"
  "$run_with_sim" --sim "$sim" --work "$work/run/$name" "$@" || fail "$name failed"
}
built_against="^built against icbus $version \\(${major}[0-9]{4}\\)$"
run consumer --file stdout.txt "$built_against" --file stdout.txt "^clock 20260101080000$" \
  --wire "^> M SA005!$" -- "$work/consumer/consumer"
run consumer-pkg-config --file stdout.txt "$built_against" --wire "^> S SD!$" \
  -- "$work/pkg-config/consumer"
run clock_collect --lines records.txt 12 --wire "^> S SC!$" \
  -- "$work/examples/clock_collect" 1 5 records.txt
run card_issue --config "$source/examples/card-writer.json" \
  --file stdout.txt "^card 074565 holds 50.0 yuan$" -- "$work/examples/card_issue" 1 74565 50
run bus_records --file stdout.txt "^downloaded 12 records$" --wire "^> S SK!$" \
  -- "$work/examples/bus_records" 1 5
run icbus-tool --file stdout.txt "^20260101080000$" --wire "^> M SA005!$" \
  -- "$prefix/bin/icbus" time get --port 1 --machine 5
[[ $("$prefix/bin/icbus" --version) == "icbus $version (library $version)" ]] || fail "icbus --version is wrong"
# The manual pages format without a warning (where groff is installed).
if command -v groff >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "groff warns about ${page##*/}: $warnings"
  done
fi

finish
echo "install-and-consume: all checks passed"
