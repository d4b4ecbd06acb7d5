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

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

root="${VEK_WINE10_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/vekdll/wine10}"
# fonts-liberation: Arial's stand-in (winelab.Prefix); locales: the pt_BR
# locale of the tests of folders named in other scripts.
packages="wine wine32:i386 wine64 fonts-wine fonts-liberation locales"
stamp="trixie amd64,i386 $packages pt_BR.UTF-8"

if [ "$(cat "$root/.vekdll-root" 2>/dev/null)" = "$stamp" ]; then
  echo "$root"
  exit 0
fi

if ! command -v mmdebstrap >/dev/null; then
  echo "setup-wine10: installing mmdebstrap" >&2
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
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
$SUDO rm -rf "$root.new" "$root"
mkdir -p "$(dirname "$root")"
$SUDO mmdebstrap --quiet --variant=apt --architectures=amd64,i386 \
  --include="$(echo $packages | tr ' ' ',')" \
  --customize-hook='chroot "$1" localedef -i pt_BR -c -f UTF-8 -A /usr/share/locale/locale.alias pt_BR.UTF-8' \
  --customize-hook='rm -rf "$1"/var/cache/apt/archives/*.deb "$1"/var/lib/apt/lists/*_Packages' \
  trixie "$root.new" "deb $archive trixie main" >&2
printf '%s\n' "$stamp" | $SUDO tee "$root.new/.vekdll-root" >/dev/null
$SUDO mv "$root.new" "$root"
echo "setup-wine10: made in $(( $(date +%s) - started )) s: $($SUDO tools/wine-root.sh "$root" unshare --root="$root" wine --version)" >&2
echo "$root"
