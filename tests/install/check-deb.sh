#!/usr/bin/env bash
# Makes the Debian package with cpack and checks it without installing it:
# its control fields (dependencies worked out from the binaries), its files
# under /usr, the library's SONAME and links, binaries stripped and free of
# build-tree paths, and the unpacked tool running against the unpacked
# library.
#
#   check-deb.sh --build BUILD-DIR --work DIR --version X.Y.Z
set -euo pipefail

OPTIONS="build work version"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require build work version
[[ -d $build ]] || usage
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (dpkg-dev)"; exit 77; }
done
major=${version%%.*}

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(find "$work" -maxdepth 1 -name "icbus_${version}_*.deb" | head -n 1)
[[ -n $deb ]] || { echo "check-deb: cpack made no icbus_${version}_*.deb" >&2; exit 1; }
echo "check-deb: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == icbus ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)'"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
for dependency in libc6 libstdc++6 libfreetype6 libfontconfig1; do
  grep -qw "$dependency" <<<"$(field Depends)" || fail "Depends lacks $dependency: $(field Depends)"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
libdir=$(dirname "$(find "$root/usr" -name "libicbus.so.$version" | head -n 1)")
[[ -f $libdir/libicbus.so.$version ]] || fail "no libicbus.so.$version under /usr"
for file in usr/bin/icbus usr/bin/icbus-sim usr/include/icbus.h usr/share/man/man1/icbus.1 \
  usr/share/man/man1/icbus-sim.1 usr/share/doc/icbus/copyright; do
  [[ -e $root/$file ]] || fail "no /$file"
done
# The site's service, when this build has it: the program, its unit, its
# pages and a sample site file that the unpacked icbusd finds good.
if [[ -x $build/service/icbusd ]]; then
  for file in usr/bin/icbusd usr/lib/systemd/system/icbusd.service usr/share/icbusd/site.sample.toml \
    usr/share/man/man8/icbusd.8 usr/share/man/man5/icbusd-site.5; do
    [[ -e $root/$file ]] || fail "no /$file"
  done
  grep -q '^Type=notify' "$root/usr/lib/systemd/system/icbusd.service" || fail "icbusd.service is not Type=notify"
  "$root/usr/bin/icbusd" --check "$root/usr/share/icbusd/site.sample.toml" >/dev/null ||
    fail "the unpacked icbusd finds its own sample site file wrong"
fi
[[ $(readlink "$libdir/libicbus.so.$major") == "libicbus.so.$version" ]] || fail "libicbus.so.$major link"
[[ $(readlink "$libdir/libicbus.so") == "libicbus.so.$major" ]] || fail "libicbus.so link"
grep -qx 'prefix=/usr' "$(find "$root" -name icbus.pc | head -n 1)" || fail "icbus.pc does not say prefix=/usr"
for binary in "$libdir/libicbus.so.$version" "$root/usr/bin/icbus" "$root/usr/bin/icbus-sim"; do
  ! objdump -h "$binary" | grep -q '\.debug_' || fail "${binary#"$root"} is not stripped"
  ! strings "$binary" | grep -qF "$build" || fail "${binary#"$root"} names the build tree"
done
[[ $(objdump -p "$libdir/libicbus.so.$version" | awk '$1 == "SONAME" { print $2 }') == "libicbus.so.$major" ]] ||
  fail "the SONAME is not libicbus.so.$major"
[[ $("$root/usr/bin/icbus" --version) == "icbus $version (library $version)" ]] || fail "the unpacked icbus does not run"

finish
echo "check-deb: the package is complete"
