#!/bin/sh
# Makes, once per machine, the Debian 13 root whose Wine (10.0) the tests run
# under beside this machine's own, and prints its folder. A second run finds
# it made and prints it at once; a root made from another package list, or
# left half made, is made anew. As root or through sudo (mmdebstrap needs
# chroot; the tests enter the root through tools/wine-root.sh).
#
# The root holds Wine alone, with the fonts and the locale that Wine reads
# itself: the display, the window manager, the compilers and the tests stay
# this machine's, so that the two runs differ in Wine and nothing else.
#
# VEK_WINE10_ROOT overrides the folder (default ~/.cache/vekdll/wine10).
set -eu
cd "$(dirname "$0")/.."
. tools/debian-archive.sh
. tools/apt.sh

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

root="${VEK_WINE10_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/vekdll/wine10}"
# fonts-liberation: Arial's stand-in (vek.harness.Prefix); locales: the pt_BR
# locale of the tests of folders named in other scripts.
packages="wine wine32:i386 wine64 fonts-wine fonts-liberation locales"
stamp="trixie amd64,i386 $packages pt_BR.UTF-8"

if [ "$(cat "$root/.vekdll-root" 2>/dev/null)" = "$stamp" ]; then
  echo "$root"
  exit 0
fi

if ! command -v mmdebstrap >/dev/null; then
  echo "setup-wine10: installing mmdebstrap" >&2
  apt_update
  apt_install -- mmdebstrap
fi

archive=$(debian_archive)
if [ -z "$archive" ]; then
  echo "setup-wine10: cannot find the Debian archive in this machine's apt sources" >&2
  exit 1
fi

# Made beside its place and moved there whole: an interrupted run leaves no
# root that looks made.
started=$(date +%s)
echo "setup-wine10: making the Debian 13 root of Wine 10 in $root" >&2
$SUDO rm -rf "$root" "$root.new"
mkdir -p "$(dirname "$root")"
# mmdebstrap wants every index it names: a mirror caught mid-sync fails it,
# so it is tried again a few times, as apt_update tries its update.
tries=${VEK_APT_TRIES:-3}
try=1
until $SUDO mmdebstrap --quiet --variant=apt --architectures=amd64,i386 \
  --aptopt='Acquire::Retries "3"' \
  --include="$(echo $packages | tr ' ' ',')" \
  --customize-hook='chroot "$1" localedef -i pt_BR -c -f UTF-8 -A /usr/share/locale/locale.alias pt_BR.UTF-8' \
  --customize-hook='rm -rf "$1"/var/cache/apt/archives/*.deb "$1"/var/lib/apt/lists/*_Packages' \
  trixie "$root.new" "deb $archive trixie main" >&2; do
  $SUDO rm -rf "$root.new"
  if [ "$try" -ge "$tries" ]; then
    echo "setup-wine10: cannot make the Debian 13 root: mmdebstrap failed $tries times (above)" >&2
    exit 1
  fi
  try=$((try + 1))
  echo "setup-wine10: mmdebstrap failed; trying again ($try of $tries)" >&2
  sleep "${VEK_APT_PAUSE:-30}"
done
printf '%s\n' "$stamp" | $SUDO tee "$root.new/.vekdll-root" >/dev/null
$SUDO mv "$root.new" "$root"
echo "setup-wine10: made in $(( $(date +%s) - started )) s: $($SUDO tools/wine-root.sh "$root" unshare --root="$root" wine --version)" >&2
echo "$root"
