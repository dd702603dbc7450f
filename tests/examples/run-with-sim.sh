#!/usr/bin/env bash
# Runs one program against icbus-sim on a pseudo-terminal published as COM1
# (ICBUS_COM1), then checks what it printed, the files it wrote and the
# frames the simulator saw.
#
#   run-with-sim.sh --sim ICBUS-SIM --work DIR [--config FILE]
#                   [--file FILE REGEX]... [--wire REGEX]... [--lines FILE N]...
#                   -- PROGRAM [ARGS...]
#
# The program runs in DIR (emptied first); its standard output goes to
# DIR/stdout.txt and is shown. --file: a line of FILE (in DIR) matches the
# extended regular expression; --wire: a line of the wire log does
# ("> M SA005!": host to bus, address parity); --lines: FILE has N lines.
# Fails when the program fails or any check does.
set -euo pipefail

usage() {
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

sim="" work="" config=""
files=() wires=() lines=()
while (($#)); do
  case "$1" in
    --sim) sim="${2:-}"; shift 2 ;;
    --work) work="${2:-}"; shift 2 ;;
    --config) config="${2:-}"; shift 2 ;;
    --file) files+=("${2:-}" "${3:-}"); shift 3 ;;
    --wire) wires+=("${2:-}"); shift 2 ;;
    --lines) lines+=("${2:-}" "${3:-}"); shift 3 ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
[[ -n $sim && -n $work && $# -gt 0 ]] || usage

if [[ -e $work && ! -d $work ]]; then
  echo "run-with-sim: $work is not a directory" >&2
  exit 2
fi
rm -rf "$work"
mkdir -p "$work"
sim_args=(--link "$work/com1" --log "$work/wire.log" --pidfile "$work/sim.pid" --fixed-clocks)
[[ -z $config ]] || sim_args+=(--config "$config")
"$sim" "${sim_args[@]}" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
# The pid file appears once the line is up and its link published.
for _ in $(seq 200); do
  [[ -s $work/sim.pid ]] && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "run-with-sim: icbus-sim stopped" >&2; exit 1; }
  sleep 0.05
done
[[ -s $work/sim.pid ]] || { echo "run-with-sim: icbus-sim not ready within 10 s" >&2; exit 1; }

status=0
(cd "$work" && ICBUS_COM1="$work/com1" "$@") >"$work/stdout.txt" || status=$?
cat "$work/stdout.txt"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
trap - EXIT

failures=0
fail() {
  echo "run-with-sim: $*" >&2
  failures=$((failures + 1))
}
((status == 0)) || fail "$1 exited with $status"
for ((i = 0; i < ${#files[@]}; i += 2)); do
  grep -Eq -- "${files[i + 1]}" "$work/${files[i]}" 2>/dev/null ||
    fail "no line of ${files[i]} matches '${files[i + 1]}'"
done
for pattern in "${wires[@]}"; do
  grep -Eq -- "$pattern" "$work/wire.log" || fail "no wire log line matches '$pattern'"
done
for ((i = 0; i < ${#lines[@]}; i += 2)); do
  file=$work/${lines[i]} want=${lines[i + 1]}
  if [[ ! -f $file ]]; then
    fail "no file ${lines[i]}"
  elif [[ $(wc -l <"$file") -ne $want ]]; then
    fail "${lines[i]} has $(wc -l <"$file") lines, not $want"
  fi
done
if ((failures)); then
  echo "run-with-sim: wire log:" >&2
  sed 's/^/  /' "$work/wire.log" >&2
  exit 1
fi
