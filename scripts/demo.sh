#!/usr/bin/env bash
# A short host session against the simulated installation: builds the native
# preset, starts icbus-sim behind a pseudo-terminal as COM1 and talks to its
# terminals with the icbus tool, showing each command and its answer, runs
# the example programs (examples/) against it, then shows the frames the
# simulator saw on the wire.
#
# On a fresh Debian 12 machine run it as root: it installs the compilers and
# libraries the native build needs first.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
BUILD=$ROOT/build/native

# shellcheck source=lib/tiers.sh
source "$ROOT/scripts/lib/tiers.sh"

section() { printf '\n======== %s ========\n' "$*"; }

# The native tier is all the demonstration needs.
install_missing() {
  install_tiers native
  if [[ ${TIER_STATUS[native]} != installed ]]; then
    echo "the native packages are missing: ${TIER_REASON[native]}" >&2
    exit 1
  fi
}

section "building (native preset)"
install_missing
cmake --preset native >/dev/null
cmake --build --preset native --target icbus_tool icbus-sim clock_collect card_issue bus_records

WORK=$(mktemp -d)
SIM_PID=
stop_sim() {
  if [[ -n $SIM_PID ]] && kill -0 "$SIM_PID" 2>/dev/null; then
    kill -TERM "$SIM_PID"
    wait "$SIM_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap stop_sim EXIT
# Turn a stop signal into an exit, so the simulator is stopped then too.
trap 'exit 130' INT TERM

section "starting the simulator"
LINK=$WORK/com1
INSTALLATION=$ROOT/scripts/demo-installation.json
"$BUILD/sim/icbus-sim" --link "$LINK" --config "$INSTALLATION" --log "$WORK/wire.log" \
  --pidfile "$WORK/sim.pid" &
SIM_PID=$!
# The pid file appears once the pseudo-terminal is up and published.
for _ in $(seq 100); do
  [[ -s $WORK/sim.pid ]] && break
  if ! kill -0 "$SIM_PID" 2>/dev/null; then
    echo "icbus-sim stopped before its line was ready" >&2
    exit 1
  fi
  sleep 0.05
done
if [[ ! -s $WORK/sim.pid ]]; then
  echo "icbus-sim did not get its line ready within 5 s" >&2
  exit 1
fi
echo "icbus-sim (pid $SIM_PID) serves $LINK -> $(readlink "$LINK")"
echo "installation ($INSTALLATION): a window terminal (5), an attendance terminal (8),"
echo "a card writer with a blank card and a self-service top-up machine (3)"
sed 's/^/  /' "$INSTALLATION"

# The library finds port 1 through this variable on Linux.
export ICBUS_COM1=$LINK
ICBUS=$BUILD/tools/icbus

# Shows a command as typed, then its output and, when it fails, its exit
# code. The first argument says whether the step should succeed ("ok") or
# fail ("fails"); a step that does otherwise makes the demonstration fail.
# run_program does so for any program, run for the icbus tool.
SURPRISES=0
run() {
  local expect=$1 note=$2
  shift 2
  run_program "$expect" "$note" "$ICBUS" "$@"
}
run_program() {
  local expect=$1 note=$2 program=$3
  shift 3
  printf '\n# %s\n$ %s %s\n' "$note" "${program#"$BUILD"/*/}" "$*"
  local status=0
  "$program" "$@" || status=$?
  if [[ $status -ne 0 ]]; then echo "(exit code $status)"; fi
  if [[ ($expect == ok && $status -ne 0) || ($expect == fails && $status -ne 1) ]]; then
    echo "!! expected this step to ${expect/ok/succeed}" >&2
    SURPRISES=$((SURPRISES + 1))
  fi
}

section "host session: clocks"
run ok "read the clock of terminal 5" time get --port 1 --machine 5
run ok "set it to this machine's local time" time set --port 1 --machine 5
run ok "read it back" time get --port 1 --machine 5
run ok "the six-digit address: machine 5 with its management card" \
  time get --port 1 --machine 5 --card 123456
run fails "no terminal 7 on this bus: the call fails" time get --port 1 --machine 7

section "host session: records"
run ok "how many records terminal 5 holds, and their total" records count --port 1 --machine 5
run ok "the total amount of its consumption records" records total --port 1 --machine 5
run ok "collect them into a file" \
  records collect --port 1 --machine 5 --kind consumption --out "$WORK/rec.txt"
echo "rec.txt:"; sed 's/\r$//; s/^/  /' "$WORK/rec.txt"
run ok "collect the attendance records of terminal 8" \
  records collect --port 1 --machine 8 --kind attendance --out "$WORK/arec.txt"
run ok "delete the records terminal 5 holds" clear --port 1 --machine 5

section "host session: card lists"
run ok "report card 000123 lost at terminal 5" list add --port 1 --machine 5 --entry 000123
run ok "ask terminal 5 about card 000123" list query --port 1 --machine 5 --entry 000123

section "host session: issuing a card on the card writer"
run ok "load the sector key into the writer" machine writer-key set --port 1 --key FFFFFFFFFFFF
run ok "issue card 74565 with password 12345 and a daily limit of 20 yuan" \
  card issue --port 1 --number 74565 --password 12345 --daily-limit 20
run ok "top up 50 yuan" card topup --port 1 --amount 50
run ok "read the balance" card balance --port 1
run ok "read the card number back" card read --port 1

section "host session: a top-up order with the holder's name drawn as glyphs"
run ok "send 12.3 yuan for card 1 to top-up machine 3" \
  topup send --port 1 --machine 3 --card 1 --mode add --amount 12.3 --name "王小明" --mgmt 4321

section "the example programs (examples/) on the same bus"
EXAMPLES=$BUILD/examples
run_program ok "C: read the clock of terminal 8 and collect its records" \
  "$EXAMPLES/clock_collect" 1 8 "$WORK/example-records.txt"
run_program ok "C++: the same for terminal 8, with fast replies" "$EXAMPLES/bus_records" 1 8
run_program ok "C: issue card 74566 on the writer and top it up with 20 yuan" \
  "$EXAMPLES/card_issue" 1 74566 20

section "what the simulator saw on the wire (> host to bus, < bus to host; M address, S data, N none)"
cat "$WORK/wire.log"

if ((SURPRISES)); then
  echo "demo: $SURPRISES step(s) did not behave as expected" >&2
  exit 1
fi
echo
echo "demo: every step behaved as expected"
