#!/bin/sh
# The whole test suite, on a fresh Debian 12 machine: installs what it needs,
# builds the unit tests and VekDll.exe, then runs the unit tests natively, the
# payload tests and the end-to-end tests under Wine (new 64-bit and 32-bit
# prefixes, in Xvfb), the end-to-end tests and the payload tests of the code
# pages again under Debian 13's Wine 10 (from a root made once per machine),
# beside those of Wine 8. Ends with one line "N passed, N failed".
set -eu
cd "$(dirname "$0")/.."

tools/setup-debian.sh
VEK_WINE10=$(tools/setup-wine10.sh)
export VEK_WINE10

cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win32 >/dev/null
cmake --build --preset win32

exec python3 tools/testsuite.py
