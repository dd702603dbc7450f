# Shared by the check scripts under tests/: options, failures, usage.
# Sourced after the script's header comment, whose lines 2.. up to the first
# blank comment-free line are its usage text.
#
#   OPTIONS="zip name work"       # the options the script takes: --zip VALUE ...
#   source "$(dirname "$0")/../lib/check_script.sh"
#   parse_options "$@"            # sets $zip, $name, $work ("" when not given)
#   require zip name              # usage and exit 2 unless these were given
#   fail "what is wrong"          # counts a failed check and says so
#   finish                        # exit 1 if any check failed

CHECK_NAME=$(basename "$0" .sh)
failures=0

usage() {
  sed -n '2,/^[^#]/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}

parse_options() {
  local option
  for option in $OPTIONS; do printf -v "${option//-/_}" '%s' ""; done
  while (($#)); do
    option=${1#--}
    [[ $1 == --* && $# -ge 2 && " $OPTIONS " == *" $option "* ]] || usage
    printf -v "${option//-/_}" '%s' "$2"
    shift 2
  done
}

require() {
  local option
  for option in "$@"; do
    [[ -n ${!option} ]] || usage
  done
}

fail() {
  echo "$CHECK_NAME: $*" >&2
  failures=$((failures + 1))
}

finish() {
  if ((failures)); then
    echo "$CHECK_NAME: $failures check(s) failed" >&2
    exit 1
  fi
}
