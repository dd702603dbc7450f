#!/usr/bin/env bash
# A long campaign of the hostile-device fuzzer (tests/fuzz): builds the
# `fuzz` preset, runs the fuzzer for SECONDS (default 600) from the seed
# corpus, and prints executions, coverage and findings. Findings stay in the
# campaign's directory with the command that reproduces each; the exit status
# is non-zero when there are any.
#
#   scripts/fuzz.sh [SECONDS]
#
# ICBUS_BUILD_ROOT (default: build/) holds the build tree, as for test.sh.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
build=${ICBUS_BUILD_ROOT:-$PWD/build}/fuzz

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --parallel 2 --target icbus-fuzz
exec tests/fuzz/campaign.sh "$build/tests/fuzz/icbus-fuzz" tests/fuzz/corpus "$seconds" \
  "$build/campaign-${seconds}s"
