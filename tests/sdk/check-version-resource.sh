#!/usr/bin/env bash
# Checks the version resource of icbus.dll against the project version, as
# windres reads it back from the image: the fixed file and product version
# numbers, a DLL file type, and the strings Explorer and installers show.
#
#   check-version-resource.sh --windres WINDRES --dll icbus.dll --version X.Y.Z
set -euo pipefail

windres="" dll="" version=""
while (($#)); do
  case "$1" in
    --windres) windres="${2:-}"; shift 2 ;;
    --dll) dll="${2:-}"; shift 2 ;;
    --version) version="${2:-}"; shift 2 ;;
    *) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
[[ -n $windres && -f $dll && $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  { echo "check-version-resource: bad arguments" >&2; exit 2; }

resources=$("$windres" -i "$dll" -O rc) || { echo "check-version-resource: windres cannot read $dll" >&2; exit 1; }
failures=0
expect() {
  local pattern=$1 what=$2
  grep -Eq -- "$pattern" <<<"$resources" || {
    echo "check-version-resource: $what: no line matches '$pattern'" >&2
    failures=$((failures + 1))
  }
}
numbers="${version//./, }, 0"
expect "^ *FILEVERSION $numbers\$" "fixed file version"
expect "^ *PRODUCTVERSION $numbers\$" "fixed product version"
expect "^ *FILETYPE 0x2\$" "file type (a DLL)"
expect "VALUE \"FileVersion\", \"$version\"" "FileVersion string"
expect "VALUE \"ProductVersion\", \"$version\"" "ProductVersion string"
expect 'VALUE "ProductName", "icbus"' "ProductName"
expect 'VALUE "OriginalFilename", "icbus.dll"' "OriginalFilename"
expect 'VALUE "FileDescription", "[^"]+"' "FileDescription"
if ((failures)); then
  echo "check-version-resource: the resources of $dll:" >&2
  sed 's/^/  /' <<<"$resources" >&2
  exit 1
fi
echo "check-version-resource: $dll carries version $version"
