#!/usr/bin/env bash
# One fuzz campaign against the hostile device: the seed corpus is copied to
# a scratch corpus (the repository's stays as it is), the fuzzer runs for
# SECONDS, and the summary gives executions, coverage and findings. Exits
# non-zero on any finding.
#
#   campaign.sh FUZZER SEED-CORPUS SECONDS WORK-DIR
set -uo pipefail

if (($# != 4)); then
  echo "usage: $0 FUZZER SEED-CORPUS SECONDS WORK-DIR" >&2
  exit 2
fi
fuzzer=$1 seeds=$2 seconds=$3 work=$4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp "$seeds"/* "$work/corpus/"

# Leaks are findings too; a sanitizer report ends the run at once.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$work/findings/" "$work/corpus" \
  >"$work/fuzz.log" 2>&1 || status=$?

stat() { grep -E "^stat::$1:" "$work/fuzz.log" | tail -n 1 | awk '{print $2}'; }
last=$(grep -E '^#[0-9]+' "$work/fuzz.log" | tail -n 1)
executions=$(stat number_of_executed_units)
per_second=$(stat average_exec_per_sec)
findings=$(find "$work/findings" -type f | wc -l)

echo "fuzz campaign: ${seconds} s, seeds from $seeds"
echo "  executions:      ${executions:-?} (${per_second:-?} a second)"
echo "  coverage:        $(grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"$last" || echo '?')"
echo "  corpus:          $(find "$work/corpus" -type f | wc -l) inputs (scratch: $work/corpus)"
echo "  peak memory:     $(stat peak_rss_mb) MB"
echo "  findings:        $findings"
if ((status != 0 || findings != 0)); then
  echo "FAILED: the fuzzer exited with $status; its log ($work/fuzz.log) ends:"
  tail -n 60 "$work/fuzz.log"
  for finding in "$work/findings"/*; do
    [[ -e $finding ]] && echo "  reproduce: $fuzzer $finding"
  done
  exit 1
fi
