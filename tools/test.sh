#!/bin/sh
# The whole test suite, on a fresh Debian 12 machine: installs what it needs,
# builds the unit tests and VekDll.exe, then runs the unit tests natively, the
# payload tests and the end-to-end tests under Wine (new 64-bit and 32-bit
# prefixes, in Xvfb), the end-to-end tests and the payload tests of the code
# pages again under Debian 13's Wine 10 (from a root made once per machine),
# beside those of Wine 8. Ends with one line "N passed, N failed".
set -eu
cd "$(dirname "$0")/.."

# The suite needs root: it installs packages, mounts small volumes (the
# full-disk tests), holds file openings with fanotify (the kill tests) and
# enters the Wine 10 root in a mount namespace. A user with sudo runs it
# through sudo, with root's home for the caches, and gets back what it
# wrote in this checkout (build/, the Python caches) afterwards.
if [ "$(id -u)" -ne 0 ]; then
  status=0
  sudo -H sh tools/test.sh "$@" || status=$?
  sudo chown -R "$(id -u):$(id -g)" .
  exit $status
fi

tools/setup-debian.sh
VEK_WINE10=$(tools/setup-wine10.sh)
export VEK_WINE10

cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win32 >/dev/null
cmake --build --preset win32

exec tools/python tools/testsuite.py
