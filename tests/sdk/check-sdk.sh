#!/usr/bin/env bash
# Checks the Windows SDK ZIP: every file an integrator needs is in it under
# the SDK's folder; its icbus.dll is the build's DLL without symbols or
# debugging sections, with the same exports; README-windows.md declares every
# exported function for C# and for Visual Basic; a DLL with the console
# comes with its launcher. Prints the DLL's size before and after stripping.
#
#   check-sdk.sh --zip SDK.zip --name FOLDER --objdump OBJDUMP
#                --unstripped icbus.dll --def icbus.def --work DIR
set -euo pipefail

OPTIONS="zip name objdump unstripped def work"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require zip name objdump unstripped def work
for file in "$zip" "$unstripped" "$def"; do
  [[ -f $file ]] || { echo "check-sdk: no file '$file'" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip") || { echo "check-sdk: cannot unpack $zip" >&2; exit 1; }
sdk=$work/$name
for file in bin/icbus.dll include/icbus.h include/icbus_version.h lib/icbus.lib \
  lib/libicbus.dll.a lib/icbus.def examples/clock_collect.c examples/card_issue.c \
  examples/bus_records.cpp examples/CMakeLists.txt examples/clock_collect.exe \
  examples/card_issue.exe examples/bus_records.exe \
  README-windows.md LICENSE CHANGELOG.md; do
  [[ -f $sdk/$file ]] || fail "the SDK has no $file"
done
extra=$(cd "$work" && find . -mindepth 1 -maxdepth 1 ! -name "$name")
[[ -z $extra ]] || fail "files outside the SDK's folder: $extra"

dll=$sdk/bin/icbus.dll
if [[ -f $dll ]]; then
  sections=$("$objdump" -h "$dll")
  ! grep -q '\.debug_' <<<"$sections" || fail "bin/icbus.dll keeps debugging sections"
  symbols=$("$objdump" -t "$dll" 2>&1 | grep -c '^\[' || true)
  ((symbols == 0)) || fail "bin/icbus.dll keeps $symbols symbols"
  exports_of() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*\[ *[0-9][0-9]*\] \([A-Za-z_].*\)$/\1/p'; }
  [[ $(exports_of "$dll") == "$(exports_of "$unstripped")" ]] ||
    fail "bin/icbus.dll does not export what the build's DLL does"
  # A DLL with the console has its launcher beside it.
  if exports_of "$dll" | grep -qx ShowDemo; then
    [[ -f $sdk/bin/icbus-console.exe ]] || fail "the SDK has no bin/icbus-console.exe"
  fi
  before=$(stat -c %s "$unstripped") after=$(stat -c %s "$dll")
  ((after < before)) || fail "bin/icbus.dll is not smaller than the build's DLL"
  echo "check-sdk: icbus.dll $before bytes as built, $after bytes stripped"
fi

readme=$sdk/README-windows.md
if [[ -f $readme ]]; then
  functions=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\)@[0-9][0-9]*\( *@[0-9][0-9]*\)\{0,1\} *$/\1/p' "$def")
  for function in $functions; do
    grep -Eq "public static extern [A-Za-z]+ $function\\(" "$readme" ||
      fail "README-windows.md declares no C# $function"
    grep -Eq "Public Shared (Function|Sub) $function\(" "$readme" ||
      fail "README-windows.md declares no Visual Basic $function"
  done
  # The one-byte truth values must be marshalled as U1 in both languages.
  for function in $(sed -n 's/^ICBUS_API icbus_bool ICBUS_CALL \([A-Za-z_]*\)(.*/\1/p' "$sdk/include/icbus.h"); do
    grep -B1 "public static extern bool $function(" "$readme" | grep -q 'UnmanagedType.U1' ||
      fail "README-windows.md: C# $function does not marshal its result as U1"
    grep -Eq "Function $function\(.*As <MarshalAs\(UnmanagedType.U1\)> Boolean$" "$readme" ||
      fail "README-windows.md: Visual Basic $function does not marshal its result as U1"
  done
fi

finish
echo "check-sdk: $zip holds the SDK"
