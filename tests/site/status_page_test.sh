#!/usr/bin/env bash
# The status page as a supervisor sees it: icbusd collects icbus-sim's default
# installation, headless Chromium loads the page, runs its script and renders
# it. The DOM must show both terminals with their outcome; the screenshot is
# kept for people to look at.
#   status_page_test.sh ICBUSD ICBUS_SIM PNG
set -euo pipefail
icbusd=$1 sim=$2 png=$3
browser=$(command -v chromium || command -v chromium-browser || true)
if [[ -z $browser ]]; then
  echo "skipped: no chromium (install tier page)"
  exit 77
fi
dir=$(mktemp -d)
cleanup() {
  [[ -n ${icbusd_pid:-} ]] && kill "$icbusd_pid" 2>/dev/null && wait "$icbusd_pid" 2>/dev/null
  [[ -n ${sim_pid:-} ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
"$sim" --link "$dir/com1" --log "$dir/wire.log" &
sim_pid=$!
for _ in $(seq 100); do [[ -e $dir/com1 ]] && break; sleep 0.05; done
cat >"$dir/site.toml" <<TOML
[store]
path = "$dir/site.db"
[schedule]
collect_every_minutes = 15
[[bus]]
name = "canteen"
device = "$dir/com1"
fast_replies = true
  [[bus.terminal]]
  machine = 1
  [[bus.terminal]]
  machine = 5
  management_card = 123456
TOML
"$icbusd" --config "$dir/site.toml" --listen 127.0.0.1:0 2>"$dir/icbusd.log" &
icbusd_pid=$!
port=""
for _ in $(seq 200); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$dir/icbusd.log")
  [[ -n $port ]] && grep -q "terminal 5: consumption collected" "$dir/icbusd.log" && break
  sleep 0.05
done
[[ -n $port ]] || { echo "icbusd did not start:"; cat "$dir/icbusd.log"; exit 1; }
flags=(--headless=new --no-sandbox --disable-gpu --user-data-dir="$dir/profile" --virtual-time-budget=3000)
timeout 60 "$browser" "${flags[@]}" --dump-dom "http://127.0.0.1:$port/" >"$dir/dom.html" 2>/dev/null
for want in "Bus canteen" "<td>1</td>" "<td>5</td>" 'class="complete">complete' "<td>12</td>"; do
  grep -qF "$want" "$dir/dom.html" || { echo "the page lacks $want:"; cat "$dir/dom.html"; exit 1; }
done
timeout 60 "$browser" "${flags[@]}" --window-size=1100,420 --screenshot="$png" \
  "http://127.0.0.1:$port/" >/dev/null 2>&1
[[ -s $png ]] || { echo "no screenshot"; exit 1; }
echo "status page rendered: $png"
