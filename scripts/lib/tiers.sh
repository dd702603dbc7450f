# Package tiers for the builds and tests, sourced by test.sh and demo.sh.
#
# Each tier has its own package list and is installed on its own, so a tier
# whose packages cannot be installed skips only the builds and tests that
# need it. After install_tiers:
#   TIER_STATUS[tier]  installed | skipped
#   TIER_REASON[tier]  why a tier was skipped (apt's own error line, ...)
#   TIER_NOTE[tier]    how it was installed (already there, fallback, ...)
#
# Overridable for the installer's own tests: ICBUS_APT_LISTS (apt's list
# directory), ICBUS_APT_PREFERENCES_D (apt's preferences directory),
# ICBUS_I386_PROBE (yes|no: whether this kernel runs i386 programs).

TIERS=(native site page central win64 win32-build fuzz win32-run)

# The i686 MinGW compiler and the SDK tools are amd64 packages: the 32-bit
# DLL and its checks from the headers never depend on i386.
declare -A TIER_PACKAGES=(
  [native]="cmake ninja-build g++ googletest libgtest-dev nlohmann-json3-dev libfreetype-dev libfontconfig-dev fonts-arphic-uming pkg-config dpkg-dev"
  # The site layer and icbusd; chromium only renders the status page in a test.
  [site]="libsqlite3-dev libtomlplusplus-dev libcpp-httplib-dev libsystemd-dev"
  [page]="chromium"
  [win64]="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 xvfb xauth fonts-wine"
  [win32-build]="g++-mingw-w64-i686 clang lld llvm zip"
  [fuzz]="clang libclang-rt-14-dev"
  [central]="postgresql libpq-dev"
  [win32-run]="wine32:i386"
)
declare -A TIER_STATUS=() TIER_REASON=() TIER_NOTE=()

APT_LISTS=${ICBUS_APT_LISTS:-/var/lib/apt/lists}
APT_PREFERENCES_D=${ICBUS_APT_PREFERENCES_D:-/etc/apt/preferences.d}
APT_LOG_DIR=${APT_LOG_DIR:-$(mktemp -d)}
APT_PIN_FILE=$APT_PREFERENCES_D/icbus-no-security-i386.pref

package_installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

missing_packages() {
  local package
  for package in ${TIER_PACKAGES[$1]}; do
    package_installed "$package" || echo "$package"
  done
}

# The last error line apt printed, for the summary.
apt_error_line() {
  local line
  line=$(grep -E '^(E|Err):' "$1" 2>/dev/null | tail -n 1) || true
  [[ -n $line ]] || line=$(grep -v '^[[:space:]]*$' "$1" 2>/dev/null | tail -n 1) || true
  printf '%s' "${line:-apt-get failed without a message}"
}

# A tiny static i386 program (exit(0) through int 0x80): whether the kernel
# runs 32-bit programs at all, which wine32 needs, before anything i386 is
# installed.
kernel_runs_i386() {
  case ${ICBUS_I386_PROBE:-} in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  local probe
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
  printf '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
  printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return "$status"
}

# True when apt has no list of the security suite's i386 packages: then no
# i386 package whose amd64 twin came from the security suite can match it.
security_i386_index_missing() {
  local list
  for list in "$APT_LISTS"/*security*binary-i386_Packages*; do
    [[ -e $list ]] && return 1
  done
  return 0
}

apt_update() {
  local log=$APT_LOG_DIR/apt-update.log
  if apt-get -o Acquire::Retries=3 update >"$log" 2>&1; then
    APT_UPDATE_NOTE=""
    return 0
  fi
  APT_UPDATE_NOTE="apt-get update failed ($(apt_error_line "$log")); installing from the lists there are"
  echo "$APT_UPDATE_NOTE" >&2
}

# One apt-get install, its output kept in the tier's log; a second attempt
# after a fresh update only when the failure looks like the network's.
apt_install_tier() {
  local tier=$1 log=$APT_LOG_DIR/apt-$1.log attempt
  shift
  for attempt in 1 2; do
    if apt-get -o Acquire::Retries=3 install -y "$@" >"$log" 2>&1; then return 0; fi
    grep -qE 'Failed to fetch|Could not resolve|Temporary failure|Connection failed|Unable to fetch' \
      "$log" || return 1
    ((attempt == 2)) || { echo "$tier: apt-get install could not fetch; updating and trying again" >&2; apt_update; }
  done
  return 1
}

# The security suite's i386 index is out of step with the amd64 one (a
# mirror in the middle of a sync): pin the security suite away and take the
# i386 packages, and whatever must match them, from the release itself.
install_with_security_pinned_away() {
  local tier=$1 status=0
  shift
  echo "$tier: the security suite's i386 index is missing, so i386 packages cannot match" \
    "their amd64 twins; retrying once with the security suite pinned away ($APT_PIN_FILE)" >&2
  mkdir -p "$APT_PREFERENCES_D"
  trap 'rm -f "$APT_PIN_FILE"' EXIT INT TERM
  printf '%s\n' \
    'Package: *' 'Pin: release l=Debian-Security' 'Pin-Priority: -1' '' \
    'Package: *' 'Pin: release n=bookworm' 'Pin-Priority: 1001' >"$APT_PIN_FILE"
  apt-get -o Acquire::Retries=3 install -y --allow-downgrades "$@" \
    >"$APT_LOG_DIR/apt-$tier-pinned.log" 2>&1 || status=$?
  rm -f "$APT_PIN_FILE"
  trap - EXIT INT TERM
  if ((status == 0)); then
    TIER_NOTE[$tier]="installed with the security suite pinned away"
  else
    TIER_REASON[$tier]="$(apt_error_line "$APT_LOG_DIR/apt-$tier-pinned.log") (also with the security suite pinned away)"
  fi
  return "$status"
}

install_tier() {
  local tier=$1 missing
  mapfile -t missing < <(missing_packages "$tier")
  if ((${#missing[@]} == 0)); then
    TIER_STATUS[$tier]=installed
    TIER_NOTE[$tier]="already installed"
    return 0
  fi
  if [[ $(id -u) -ne 0 ]]; then
    TIER_STATUS[$tier]=skipped
    TIER_REASON[$tier]="missing ${missing[*]} (run as root to install them)"
    return 1
  fi
  echo "$tier: installing ${missing[*]}"
  if apt_install_tier "$tier" "${missing[@]}"; then
    TIER_STATUS[$tier]=installed
    TIER_NOTE[$tier]="installed ${missing[*]}"
    return 0
  fi
  TIER_REASON[$tier]=$(apt_error_line "$APT_LOG_DIR/apt-$tier.log")
  echo "$tier: apt-get install failed: ${TIER_REASON[$tier]}" >&2
  if [[ $tier == win32-run ]] && security_i386_index_missing &&
    install_with_security_pinned_away "$tier" "${missing[@]}"; then
    TIER_STATUS[$tier]=installed
    TIER_REASON[$tier]=""
    return 0
  fi
  TIER_STATUS[$tier]=skipped
  return 1
}

# Installs the tiers given (all by default), in order.
install_tiers() {
  local tiers=("$@") tier
  ((${#tiers[@]})) || tiers=("${TIERS[@]}")
  export DEBIAN_FRONTEND=noninteractive
  # Ours alone: a run killed during the fallback must not pin the next one.
  rm -f "$APT_PIN_FILE" 2>/dev/null || true
  local want_i386=0
  for tier in "${tiers[@]}"; do [[ $tier == win32-run ]] && want_i386=1; done
  if ((want_i386)) && ! kernel_runs_i386; then
    want_i386=0
    TIER_STATUS[win32-run]=skipped
    TIER_REASON[win32-run]="this kernel cannot run 32-bit (i386) programs"
  fi
  local all_there=1
  for tier in "${tiers[@]}"; do
    [[ ${TIER_STATUS[$tier]:-} == skipped ]] && continue
    [[ -z $(missing_packages "$tier") ]] || all_there=0
  done
  if ((!all_there)) && [[ $(id -u) -eq 0 ]]; then
    if ((want_i386)) && ! dpkg --print-foreign-architectures | grep -qx i386; then
      echo "adding the i386 architecture for wine32"
      dpkg --add-architecture i386
    fi
    apt_update
  fi
  for tier in "${tiers[@]}"; do
    [[ ${TIER_STATUS[$tier]:-} == skipped ]] && continue
    install_tier "$tier" || true
  done
}
