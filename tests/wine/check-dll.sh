#!/usr/bin/env bash
# Checks icbus.dll from its PE headers alone, without running it: the image
# is of the expected architecture; it exports the entry points of
# export_table.h under their plain names at their ordinals, and besides them
# only extensions named icbus_* at ordinals above the table's 80; the
# decorated names in icbus.def carry the argument bytes of the table; and it
# imports only system DLLs (a compiler runtime DLL would be missing on a host).
#
#   check-dll.sh --arch win32|win64 --objdump OBJDUMP --dll icbus.dll
#                --def icbus.def --table export_table.h
set -euo pipefail

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

arch="" objdump="" dll="" def="" table=""
while (($#)); do
  case "$1" in
    --arch) arch="${2:-}"; shift 2 ;;
    --objdump) objdump="${2:-}"; shift 2 ;;
    --dll) dll="${2:-}"; shift 2 ;;
    --def) def="${2:-}"; shift 2 ;;
    --table) table="${2:-}"; shift 2 ;;
    *) usage ;;
  esac
done
[[ -n $arch && -n $objdump && -n $dll && -n $def && -n $table ]] || usage
for file in "$dll" "$def" "$table"; do
  [[ -f $file ]] || { echo "check-dll: no file '$file'" >&2; exit 1; }
done

case "$arch" in
  win32) want_format=pei-i386 want_magic="010b (PE32)" ;;
  win64) want_format=pei-x86-64 want_magic="020b (PE32+)" ;;
  *) usage ;;
esac

failures=0
fail() {
  echo "check-dll: $*" >&2
  failures=$((failures + 1))
}

headers="$("$objdump" -p "$dll")" || { echo "check-dll: $objdump cannot read $dll" >&2; exit 1; }

# Architecture.
format="$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$headers" | head -n 1)"
[[ $format == "$want_format" ]] || fail "file format is '$format', not $want_format"
magic="$(awk '$1 == "Magic" { $1 = ""; sub(/^[ \t]+/, ""); print; exit }' <<<"$headers")"
[[ $magic == "$want_magic" ]] || fail "optional header magic is '$magic', not $want_magic"

# The table, as "Name ordinal bytes" lines.
expected="$(sed -n 's/^ *{"\([A-Za-z_][A-Za-z0-9_]*\)", *\([0-9]*\), *\([0-9]*\)},.*/\1 \2 \3/p' \
  "$table" | sort)"
[[ -n $expected ]] || fail "no rows found in $table"

# The .def: "Name@bytes @ordinal" lines, the extensions left out.
defined="$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\)@\([0-9]*\) *@\([0-9]*\) *$/\1 \3 \2/p' "$def" |
  grep -v '^icbus_' | sort)"
if [[ $defined != "$expected" ]]; then
  fail "$def and $table disagree (name ordinal bytes):"
  diff <(echo "$expected") <(echo "$defined") | sed -n 's/^[<>]/  &/p' >&2 || true
fi

# Data exports: "{"name", ordinal}," rows in the table, "name @ordinal DATA"
# lines in the .def.
data_expected="$(sed -n 's/^ *{"\([A-Za-z_][A-Za-z0-9_]*\)", *\([0-9]*\)},.*/\1 \2/p' "$table" | sort)"
data_defined="$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\) *@\([0-9]*\) *DATA *$/\1 \2/p' "$def" | sort)"
if [[ $data_defined != "$data_expected" ]]; then
  fail "$def and $table disagree on the data exports:"
  diff <(echo "$data_expected") <(echo "$data_defined") | sed -n 's/^[<>]/  &/p' >&2 || true
fi

# The named exports: objdump lists each name with its ordinal less the base.
base="$(awk '$1 == "Ordinal" && $2 == "Base" { print $3; exit }' <<<"$headers")"
[[ $base == 1 ]] || fail "ordinal base is '$base', not 1"
exported="$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
  sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\2 \1/p' |
  awk -v base="${base:-1}" '{ print $1, $2 + base }' | sort)"
wanted="$( (awk '{ print $1, $2 }' <<<"$expected"; [[ -z $data_expected ]] || echo "$data_expected") | sort)"
extensions="$(grep '^icbus_' <<<"$exported" || true)"
while read -r name ordinal; do
  [[ -z $name ]] && continue
  ((ordinal > 80)) || fail "extension $name has ordinal $ordinal, inside the table's range"
done <<<"$extensions"
exported="$(grep -v '^icbus_' <<<"$exported" || true)"
if [[ $exported != "$wanted" ]]; then
  fail "the exports differ from $table (< wanted, > exported):"
  diff <(echo "$wanted") <(echo "$exported") | sed -n 's/^[<>]/  &/p' >&2 || true
fi
if grep -q '[@]' <<<"$exported"; then fail "decorated export names: $(grep '@' <<<"$exported")"; fi

# Imports: system DLLs only.
allowed="^(KERNEL32|MSVCRT|USER32|GDI32|COMCTL32)\.DLL$"
while read -r imported; do
  [[ -z $imported ]] && continue
  [[ ${imported^^} =~ $allowed ]] || fail "imports $imported, which a bare Windows does not have"
done < <(sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' <<<"$headers")

count="$(wc -l <<<"$expected")"
data_count=0
[[ -z $data_expected ]] || data_count="$(wc -l <<<"$data_expected")"
if ((failures)); then
  echo "check-dll: $dll: $failures problem(s)" >&2
  exit 1
fi
echo "check-dll: $dll is $format, exports the $count entry points and $data_count data export(s) of the table" \
  "and $(grep -c . <<<"$extensions" || true) extensions, imports system DLLs only"
