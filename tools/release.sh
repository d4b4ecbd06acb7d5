#!/bin/sh
# Makes a release of VekDll.exe in OUTPUT (default build/release/): the
# executable, its SPDX bill of materials, the third-party notices and
# SHA256SUMS, from a clean build. See "Release" in the README for the
# variables that sign it or allow the placeholder midas.dll.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

"$here/setup-debian.sh" >&2
exec "$here/python" -m vek.release.release "$@"
