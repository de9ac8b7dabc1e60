#!/usr/bin/env bash
# Installs the Debian packages a task needs, when missing, in tiers:
#
#   scripts/setup.sh demo   # what the demonstration builds: the library, printer_sim, dru
#   scripts/setup.sh test   # that, what the suite adds, and the optional toolchains
#
# The demonstration's and the suite's tiers are required: a package of theirs
# that cannot be installed ends the set-up (exit 1), naming the package and
# the package manager's reason. The optional parts (the fuzz targets, each
# Windows width, the console's browser test) are installed as far as they
# can be had; one that cannot be is a line "<part> skipped: <packages>
# cannot be installed: <reason>", also written to the file $DRU_SETUP_SKIPS
# when it is set (scripts/test.sh repeats it in its summary). A package index
# that cannot be refreshed is a warning: the set-up goes on with the indexes
# it has.
set -uo pipefail
tier=${1:-test}

# dru serve adds cpp-httplib (HTTP) and SQLite (its journal).
demo_packages=(g++ cmake make pkg-config libcli11-dev nlohmann-json3-dev libcpp-httplib-dev libsqlite3-dev)
suite_packages=(libgtest-dev libgmock-dev libbenchmark-dev)
# name|packages|foreign architecture it needs (or nothing)
optional_parts=(
  "fuzz targets|clang libclang-rt-dev|"
  "Windows 64-bit tests|g++-mingw-w64-x86-64-posix wine wine64 googletest|"
  "Windows 32-bit tests|g++-mingw-w64-i686-posix wine wine32:i386 googletest|i386"
  "browser console test|chromium chromium-driver python3-selenium|"
)

case "$tier" in
  demo) required=("${demo_packages[@]}"); optional=() ;;
  test) required=("${demo_packages[@]}" "${suite_packages[@]}"); optional=("${optional_parts[@]}") ;;
  *) echo "usage: scripts/setup.sh demo|test" >&2; exit 2 ;;
esac

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
refreshed=""

missing_of() {
  local p
  for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || echo "$p"; done
}

# The package manager's own words for a failure, on one line: its error and
# the first dependency it could not meet.
reason_of() {
  local output=$1 error unmet
  error=$(grep -m 1 '^E: ' <<<"$output" | sed 's/^E: //')
  unmet=$(grep -m 1 ' : Depends: \|^ *Depends: ' <<<"$output" | sed 's/^ *//; s/  */ /g')
  [ -n "$error" ] || error=$(grep -v '^ *$' <<<"$output" | tail -n 1)
  if [ -n "$unmet" ]; then echo "${error:-unmet dependencies} ($unmet)"; else echo "${error:-apt-get failed}"; fi
}

# Refreshes the package indexes once per set-up (again after a foreign
# architecture is added); a failure is reported and passed over.
refresh_indexes() {
  local output status
  [ -z "$refreshed" ] || [ "${1:-}" = again ] || return 0
  refreshed=yes
  output=$("${as_root[@]}" apt-get update -qq 2>&1)
  status=$?
  if [ "$status" -ne 0 ]; then
    echo "setup: warning: the package indexes could not all be refreshed (apt-get update exit $status):" \
      "$(reason_of "$output"); going on with the indexes there are" >&2
  fi
}

# Installs packages in one transaction; prints the reason and fails when it
# cannot.
install_packages() {
  local output
  refresh_indexes
  echo "setup: installing $*" >&2
  if ! output=$(DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q "$@" 2>&1); then
    reason_of "$output"
    return 1
  fi
}

# Which of the packages apt-get would refuse on their own (a dry run each).
culprits_of() {
  local p found=()
  for p in "$@"; do
    DEBIAN_FRONTEND=noninteractive apt-get install -s -qq "$p" >/dev/null 2>&1 || found+=("$p")
  done
  echo "${found[*]}"
}

skip() {
  echo "$1"
  if [ -n "${DRU_SETUP_SKIPS:-}" ]; then echo "$1" >>"$DRU_SETUP_SKIPS"; fi
}

mapfile -t missing < <(missing_of "${required[@]}")
if [ ${#missing[@]} -gt 0 ] && ! install_packages "${missing[@]}" >/dev/null; then
  # One at a time, to name each package that cannot be had.
  failed=0
  for p in "${missing[@]}"; do
    if ! reason=$(install_packages "$p") || [ -n "$(missing_of "$p")" ]; then
      echo "setup: cannot install $p, which the $tier tier requires: $reason" >&2
      failed=1
    fi
  done
  [ "$failed" -eq 0 ] || exit 1
fi

for part in ${optional[@]+"${optional[@]}"}; do
  IFS='|' read -r name packages arch <<<"$part"
  read -ra packages <<<"$packages"
  mapfile -t missing < <(missing_of "${packages[@]}")
  [ ${#missing[@]} -gt 0 ] || continue
  if [ -n "$arch" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    "${as_root[@]}" dpkg --add-architecture "$arch"
    refresh_indexes again
  fi
  if ! reason=$(install_packages "${missing[@]}"); then
    culprits=$(culprits_of "${missing[@]}")
    skip "$name skipped: ${culprits:-${missing[*]}} cannot be installed: $reason"
  fi
done
exit 0
