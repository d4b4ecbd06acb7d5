#!/bin/sh
# The whole test suite, on a fresh Debian 12 machine: installs what it needs,
# runs the unit tests natively, builds VekDll.exe and runs the end-to-end
# tests under Wine (new 64-bit and 32-bit prefixes, in Xvfb).
set -eu
cd "$(dirname "$0")/.."

tools/setup-debian.sh

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

cmake --preset win32 >/dev/null
cmake --build --preset win32

python3 -m unittest discover -s tests/e2e -p 'test_*.py' -v
echo "test: all passed; screenshots in build/e2e/screenshots"
