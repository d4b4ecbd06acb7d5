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

# The payload set that the executable carries: validation, our iconv.dll,
# and every library used for real under Wine.
VEK_PAYLOAD_BUILT=$(cat build/win32/payload/folder.txt) \
  python3 -m unittest discover -s tests/payload -p 'test_*.py' -v

python3 -m unittest discover -s tests/e2e -p 'test_*.py' -v
echo "test: all passed; screenshots in build/e2e/screenshots"
