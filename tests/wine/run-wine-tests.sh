#!/usr/bin/env bash
# Runs the Wine test program against the real icbus.dll in a fresh 32-bit
# prefix, with COM1 and COM10 mapped to icbus-sim's pseudo-terminal and COM2
# to a device that does not exist.
#
#   run-wine-tests.sh --exe TEST.exe --dll icbus.dll --sim icbus-sim --work DIR [-- TEST-ARGS...]
#
# --sim defaults to $ICBUS_SIM_PROGRAM. DIR receives the prefix, the settings
# file, the simulator's wire log (sim.log) and its errors. The exit code is
# the test program's; 1 when the set-up fails.
set -euo pipefail

die() {
  echo "run-wine-tests: $*" >&2
  exit 1
}

usage() {
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

exe="" dll="" sim="${ICBUS_SIM_PROGRAM:-}" work=""
test_args=()
while (($#)); do
  case "$1" in
    --exe) exe="${2:-}"; shift 2 ;;
    --dll) dll="${2:-}"; shift 2 ;;
    --sim) sim="${2:-}"; shift 2 ;;
    --work) work="${2:-}"; shift 2 ;;
    --) shift; test_args=("$@"); break ;;
    *) usage ;;
  esac
done
[[ -n $exe && -n $dll && -n $work ]] || usage
[[ -f $exe ]] || die "no test program at '$exe'"
[[ -f $dll ]] || die "no DLL at '$dll'"
[[ -n $sim && -x $sim ]] ||
  die "icbus-sim not found at '$sim' (build the native configuration, or pass --sim)"
for tool in wine wineboot wineserver iconv; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

mkdir -p "$work"
work="$(cd "$work" && pwd)"
exe="$(realpath "$exe")"
dll="$(realpath "$dll")"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
link="$work/com1"
log="$work/sim.log"
pidfile="$work/sim.pid"

sim_pid=""
cleanup() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}
trap cleanup EXIT

# The registry as one UTF-16LE file: one regedit run instead of one per value.
windows_path() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }
multi_string() {
  printf '%s\0\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v |
    tr -s ' \n' '  ' | sed 's/^ //; s/ $//; s/ /,/g'
}
write_settings() {
  local fonts system_link face
  fonts="uming.ttc,AR PL UMing CN"
  system_link="hex(7):$(multi_string "$fonts")"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    printf '"COM1"="%s"\r\n' "$link"
    printf '"COM10"="%s"\r\n' "$link"
    printf '"COM2"="%s"\r\n\r\n' "$work/no-such-port"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in 宋体 新宋体 SimSun NSimSun; do
      printf '"%s"="AR PL UMing CN"\r\n' "$face"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Liberation Sans" "Microsoft Sans Serif" \
      "Arial"; do
      printf '"%s"=%s\r\n' "$face" "$system_link"
    done
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$work/settings.reg"
}

echo "run-wine-tests: fresh prefix in $WINEPREFIX"
rm -rf "$WINEPREFIX"
timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed (see $work/wineboot.log)"
timeout 60 wineserver -w
write_settings
timeout 60 wine regedit /S "$(windows_path "$work/settings.reg")" ||
  die "regedit could not import $work/settings.reg"
timeout 30 wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w

rm -f "$log" "$pidfile"
"$sim" --link "$link" --log "$log" --pidfile "$pidfile" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  [[ -s $pidfile && -L $link ]] && break
  kill -0 "$sim_pid" 2>/dev/null || die "icbus-sim stopped: $(cat "$work/sim.err")"
  sleep 0.1
done
[[ -L $link ]] || die "icbus-sim did not publish $link"

status=0
ICBUS_SIM_LOG="$log" ICBUS_DLL="$dll" timeout 120 wine "$exe" "${test_args[@]}" || status=$?
echo "run-wine-tests: wire log in $log"
exit "$status"
