# Sourced by the set-up scripts: apt's update and install, robust to an
# archive mirror caught half-synced (an index file of another size than its
# Release names, for hours at a time) without hiding a real failure.
#
# Needs SUDO set (empty as root). VEK_APT_TRIES and VEK_APT_PAUSE (seconds)
# set how often and how far apart a failed update is tried again.

# Updates apt's indexes, trying again a few times, since a mirror's sync ends
# in minutes. Where one still fails, says which indexes it could not fetch and
# goes on with those apt has: the install then says whether they suffice.
apt_update() {
  tries=${VEK_APT_TRIES:-3}
  log=$(mktemp)
  try=1
  while ! $SUDO apt-get update -qq >"$log" 2>&1; do
    if [ "$try" -ge "$tries" ]; then
      sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)/setup: apt could not fetch \1 (\2); going on with the indexes it has/p' "$log" >&2
      rm -f "$log"
      return 0
    fi
    try=$((try + 1))
    echo "setup: apt-get update failed; trying again ($try of $tries)" >&2
    sleep "${VEK_APT_PAUSE:-30}"
  done
  rm -f "$log"
}

# apt_install [APT-GET OPTION...] -- PACKAGE...: installs the packages. Where
# apt cannot resolve them (typically a Multi-Arch pair whose amd64 twin comes
# from the security suite while the i386 one's index could not be fetched),
# installs them at the main suite's versions, which pair, and says so. A
# failure that remains is one line naming the package and the reason, and a
# non-zero status.
apt_install() {
  options=
  while [ "$1" != -- ]; do options="$options $1"; shift; done
  shift
  log=$(mktemp)
  if apt_get_install $options "$@" || {
       grep -qE '^E: (Unable to correct problems|Unmet dependencies)' "$log" &&
       echo "setup: apt cannot pair the packages' versions; installing the main suite's (bookworm)" >&2 &&
       apt_get_install $options -t bookworm "$@"
     }; then
    rm -f "$log"
    return 0
  fi
  reason=$(sed -n 's/^ *\([^ ]*\) : \(Depends: .*\)/\1: \2/p' "$log" | head -n 1)
  [ -n "$reason" ] || reason=$(sed -n 's/^E: //p' "$log" | head -n 1)
  [ -n "$reason" ] || reason="apt-get install failed"
  echo "setup: cannot install: $reason" >&2
  rm -f "$log"
  return 1
}

# One apt-get install, its output kept in $log.
apt_get_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}
