#!/bin/sh
# Installs everything the build and the tests need on a fresh Debian 12
# machine. Safe to run again: it only installs what is missing.
set -eu

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES="
  cmake ninja-build g++ make pkg-config python3
  g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  libgtest-dev libgmock-dev
  wine wine32:i386 wine64
  xvfb xauth xdotool openbox x11-utils imagemagick
  fonts-liberation
"

missing=
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing="$missing $p"
done
[ -n "$missing" ] || exit 0

# wine32 is an i386 package: the architecture has to be known to dpkg first.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "setup: installing$missing" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
