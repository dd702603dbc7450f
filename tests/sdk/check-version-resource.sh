#!/usr/bin/env bash
# Checks the version resource of icbus.dll against the project version, as
# windres reads it back from the image: the fixed file and product version
# numbers, a DLL file type, and the strings Explorer and installers show.
#
#   check-version-resource.sh --windres WINDRES --dll icbus.dll --version X.Y.Z
set -euo pipefail

OPTIONS="windres dll version"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require windres dll version
[[ -f $dll && $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || usage

resources=$("$windres" -i "$dll" -O rc) || { echo "check-version-resource: windres cannot read $dll" >&2; exit 1; }
expect() {
  local pattern=$1 what=$2
  grep -Eq -- "$pattern" <<<"$resources" || fail "$what: no line matches '$pattern'"
}
numbers="${version//./, }, 0"
version_text=${version//./\\.}
expect "^ *FILEVERSION $numbers\$" "fixed file version"
expect "^ *PRODUCTVERSION $numbers\$" "fixed product version"
expect "^ *FILETYPE 0x2\$" "file type (a DLL)"
expect "VALUE \"FileVersion\", \"$version_text\"" "FileVersion string"
expect "VALUE \"ProductVersion\", \"$version_text\"" "ProductVersion string"
expect 'VALUE "ProductName", "icbus"' "ProductName"
expect 'VALUE "OriginalFilename", "icbus.dll"' "OriginalFilename"
expect 'VALUE "FileDescription", "[^"]+"' "FileDescription"
if ((failures)); then
  echo "$CHECK_NAME: the resources of $dll:" >&2
  sed 's/^/  /' <<<"$resources" >&2
fi
finish
echo "check-version-resource: $dll carries version $version"
