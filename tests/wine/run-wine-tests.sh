#!/usr/bin/env bash
# Runs the Wine test program against the real icbus.dll in a fresh prefix of
# the DLL's architecture, with icbus-sim behind pseudo-terminals: COM1 and
# COM10 on the line of bus_com1.json, COM3 on the line of bus_com3.json, and
# COM2 mapped to a device that does not exist.
#
#   run-wine-tests.sh --arch win32|win64 --exe TEST.exe --dll icbus.dll --work DIR
#                     [--wine LOADER] [--sim icbus-sim] [--com1 CONFIG] [-- TEST-ARGS...]
#
# --wine defaults to wine (win32) or wine64 (win64); --sim to
# $ICBUS_SIM_PROGRAM; --com1 to bus_com1.json. DIR receives the prefix, the settings file, the
# simulators' wire logs (sim.log, sim-com3.log) and their errors. The exit
# code is the test program's; 1 when the set-up fails; 77 when this machine
# cannot run programs of the architecture at all (the test is skipped).
set -euo pipefail

readonly SKIP=77
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

die() {
  echo "run-wine-tests: $*" >&2
  exit 1
}

skip() {
  echo "run-wine-tests: SKIPPED: $*" >&2
  exit "$SKIP"
}

usage() {
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

arch="" wine="" exe="" dll="" sim="${ICBUS_SIM_PROGRAM:-}" work="" com1_config=""
test_args=()
while (($#)); do
  case "$1" in
    --arch) arch="${2:-}"; shift 2 ;;
    --wine) wine="${2:-}"; shift 2 ;;
    --exe) exe="${2:-}"; shift 2 ;;
    --dll) dll="${2:-}"; shift 2 ;;
    --sim) sim="${2:-}"; shift 2 ;;
    --work) work="${2:-}"; shift 2 ;;
    --com1) com1_config="${2:-}"; shift 2 ;;
    --) shift; test_args=("$@"); break ;;
    *) usage ;;
  esac
done
[[ $arch == win32 || $arch == win64 ]] || usage
[[ -n $exe && -n $dll && -n $work ]] || usage

# Wine's 32-bit loader is an i386 Linux program. Some kernels are built
# without support for 32-bit programs: every one of them then fails with
# "Exec format error", and no 32-bit Windows program can run at all.
if [[ $arch == win32 && -n ${ICBUS_WINE32_SKIP_REASON:-} ]]; then
  skip "$ICBUS_WINE32_SKIP_REASON; the 32-bit DLL is only checked statically"
fi
if [[ $arch == win32 ]]; then
  i386_loader=/lib/ld-linux.so.2
  [[ -e $i386_loader ]] ||
    die "no $i386_loader: the 32-bit Wine (wine32:i386) is not installed"
  if ! probe=$("$i386_loader" --version 2>&1 >/dev/null); then
    # The shell's own message: "...: line N: /lib/ld-linux.so.2: cannot execute...".
    probe="$(tail -n 1 <<<"$probe" | sed 's/^.*line [0-9]*: //')"
    skip "this machine cannot run 32-bit (i386) programs, so 32-bit Wine cannot run" \
      "here (${probe:-$i386_loader failed}); the 32-bit DLL is only checked statically"
  fi
fi

if [[ -z $wine ]]; then
  if [[ $arch == win32 ]]; then wine=wine; else wine=wine64; fi
fi
wine="$(command -v "$wine" || true)"
[[ -n $wine && -x $wine ]] || die "the Wine loader for $arch is not installed"
for tool in wineserver iconv; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done
[[ -f $exe ]] || die "no test program at '$exe'"
[[ -f $dll ]] || die "no DLL at '$dll'"
[[ -n $sim && -x $sim ]] ||
  die "icbus-sim not found at '$sim' (build the native configuration, or pass --sim)"

mkdir -p "$work"
work="$(cd "$work" && pwd)"
exe="$(realpath "$exe")"
dll="$(realpath "$dll")"
export WINEPREFIX="$work/prefix" WINEARCH="$arch" WINEDEBUG=-all
# wine64 starts the prefix's own programs (services, the desktop) with the
# loader named here; the 32-bit wine finds its loader itself.
[[ $arch == win32 ]] || export WINELOADER="$wine"
export WINEDLLOVERRIDES="mscoree,mshtml="

sim_pids=()
cleanup() {
  local pid
  for pid in "${sim_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
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
    printf '"COM1"="%s"\r\n' "$work/com1"
    printf '"COM10"="%s"\r\n' "$work/com1"
    printf '"COM2"="%s"\r\n' "$work/no-such-port"
    printf '"COM3"="%s"\r\n\r\n' "$work/com3"
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

# start_sim NAME CONFIG: icbus-sim on a new pty published as $work/NAME,
# logging to $work/sim[-NAME].log.
start_sim() {
  local name=$1 config=$2 log pidfile link="$work/$1"
  log="$work/sim.log"
  [[ $name == com1 ]] || log="$work/sim-$name.log"
  pidfile="$work/sim-$name.pid"
  rm -f "$log" "$pidfile"
  "$sim" --config "$config" --link "$link" --log "$log" --pidfile "$pidfile" --fixed-clocks \
    2>"$work/sim-$name.err" &
  sim_pids+=($!)
  for _ in $(seq 100); do
    [[ -s $pidfile && -L $link ]] && return 0
    kill -0 "${sim_pids[-1]}" 2>/dev/null || die "icbus-sim ($name) stopped: $(cat "$work/sim-$name.err")"
    sleep 0.1
  done
  die "icbus-sim did not publish $link"
}

echo "run-wine-tests: fresh $arch prefix in $WINEPREFIX"
rm -rf "$WINEPREFIX"
timeout 180 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 ||
  die "wineboot failed (see $work/wineboot.log)"
timeout 60 wineserver -w
write_settings
timeout 60 "$wine" regedit /S "$(windows_path "$work/settings.reg")" ||
  die "regedit could not import $work/settings.reg"
timeout 30 wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w

start_sim com1 "${com1_config:-$here/bus_com1.json}"
start_sim com3 "$here/bus_com3.json"

# GetDllVersion shows a message box, which needs a display; without one
# the program runs on a virtual X server of its own.
display=()
if [[ -z ${DISPLAY:-} ]]; then
  command -v xvfb-run >/dev/null ||
    die "no DISPLAY and no xvfb-run (package xvfb): the version test needs a display"
  display=(xvfb-run -a -s "-screen 0 1024x768x24")
fi

status=0
ICBUS_SIM_LOG="$work/sim.log" ICBUS_SIM_LOG_COM3="$work/sim-com3.log" ICBUS_DLL="$dll" \
  "${display[@]}" timeout 180 "$wine" "$exe" "${test_args[@]}" || status=$?
echo "run-wine-tests: wire logs in $work/sim.log and $work/sim-com3.log"
exit "$status"
