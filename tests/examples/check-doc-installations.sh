#!/usr/bin/env bash
# Every JSON example in a Markdown page must be an installation icbus-sim
# accepts: each ```json block is loaded by the simulator, which must get its
# line ready (a file it refuses stops it at once, with the reason).
#
#   check-doc-installations.sh --sim ICBUS-SIM --page PAGE.md --work DIR
set -euo pipefail

OPTIONS="sim page work"
# shellcheck source=../lib/check_script.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/check_script.sh"
parse_options "$@"
require sim page work
[[ -x $sim && -f $page ]] || usage

rm -rf "$work"
mkdir -p "$work"
# One file per block: example-1.json, example-2.json, ...
awk -v dir="$work" '
  /^```json$/ { n++; file = dir "/example-" n ".json"; inside = 1; next }
  /^```$/ { inside = 0; next }
  inside { print > file }
' "$page"

examples=("$work"/example-*.json)
[[ -e ${examples[0]} ]] || { echo "check-doc-installations: no JSON block in $page" >&2; exit 1; }
for example in "${examples[@]}"; do
  name=$(basename "$example" .json)
  "$sim" --config "$example" --link "$work/$name.link" --pidfile "$work/$name.pid" \
    --log "$work/$name.log" 2>"$work/$name.err" &
  pid=$!
  for _ in $(seq 200); do
    [[ -s $work/$name.pid ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if [[ -s $work/$name.pid ]]; then
    devices=$(grep -c '^# device [0-9]*:' "$work/$name.log" || true)
    echo "$name: accepted, $devices device(s)"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  else
    wait "$pid" 2>/dev/null || true
    fail "$name refused: $(cat "$work/$name.err")"
    sed 's/^/  /' "$example" >&2
  fi
done
finish
