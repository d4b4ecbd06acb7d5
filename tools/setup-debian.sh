#!/bin/sh
# Installs everything the build and the tests need on a fresh Debian 12
# machine, as root or through sudo. Safe to run again: it installs only what
# is missing and returns at once when nothing is.
set -eu

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES="
  cmake ninja-build g++ make pkg-config python3 file
  python3-pefile python3-xlib
  g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  libgtest-dev libgmock-dev googletest
  wine wine32:i386 wine64
  xvfb xauth xdotool openbox x11-utils imagemagick
  fonts-liberation fonts-wine
  dpkg-dev locales
  osslsigncode openssl xmlsec1 node-spdx-license-ids node-spdx-exceptions
"

. "$(dirname "$0")/debian-archive.sh"
. "$(dirname "$0")/apt.sh"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

missing=
for p in $PACKAGES; do installed "$p" || missing="$missing $p"; done

changed=no
add_project_sources
updated=no
if [ -n "$missing" ] || [ "$changed" = yes ]; then
  # wine32 is an i386 package: dpkg has to know the architecture first.
  if [ -n "$missing" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  apt_update
  updated=yes
fi
if [ -n "$missing" ]; then
  echo "setup: installing$missing" >&2
  apt_install -- $missing
fi

# Wine's 32-bit loader is a 32-bit Linux program. Some kernels run with their
# ia32 emulation switched off; there, 32-bit programs run through qemu's
# user-mode emulator (the backported one: older ones take a minute to start
# each Wine process), registered for i386 programs with binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  if ! [ -x /usr/bin/qemu-i386 ]; then
    [ "$updated" = yes ] || apt_update
    echo "setup: this kernel cannot run 32-bit programs; installing qemu-user" >&2
    apt_install -t bookworm-backports -- qemu-user
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  [ -e "$binfmt/vekdll-i386" ] && echo -1 | $SUDO tee "$binfmt/vekdll-i386" >/dev/null
  printf '%s' ':vekdll-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    | $SUDO tee "$binfmt/register" >/dev/null
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup: 32-bit programs still do not run" >&2; exit 1; }
fi

# Wine takes its ANSI code page from the locale, and the file names it makes
# on the Linux side from the locale's character set: the tests of folders
# named in other scripts run it in Brazilian Portuguese (code page 1252) in
# UTF-8.
if ! locale -a 2>/dev/null | grep -qix 'pt_BR\.utf-\{0,1\}8'; then
  echo "setup: generating the pt_BR.UTF-8 locale" >&2
  $SUDO localedef -i pt_BR -c -f UTF-8 -A /usr/share/locale/locale.alias pt_BR.UTF-8
fi
