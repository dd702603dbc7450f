#!/usr/bin/env bash
# The crash test at full size, for its figures: icbusd collecting three
# simulated buses (a terminal that drops what it sent and one that does not
# on each; 3 x 1201 records by default) is killed with SIGKILL at 100 random
# moments and started again each time; then every record sent is looked up
# in the store. Prints kills, records sent, stored, lost, duplicated and the
# interrupted downloads.
#   scripts/crash-figures.sh [BUILD-DIR] [KILLS] [RECORDS-PER-TERMINAL]
set -euo pipefail
build=${1:-build/native}
export ICBUSD_CRASH_KILLS=${2:-100} ICBUSD_CRASH_RECORDS=${3:-1000}
tests=$build/tests/site/icbusd_tests
[[ -x $tests ]] || { echo "no $tests: build the native preset with the site tier first" >&2; exit 2; }
"$tests" --gtest_filter='Crash.*' | grep -E '^crash test:|OK|FAILED'
