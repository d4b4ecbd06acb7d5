#!/bin/sh
# Builds the seven payload DLLs (or takes them from the cache) and prints the
# one folder that holds them, their headers, import libraries and manifest.
# Progress goes to stderr; VEK_MIDAS_DLL may name the licensed midas.dll.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

# The cross compilers and the deb-src entries.
"$here/../setup-debian.sh" >&2

exec "$here/../python" -m vek.payload.build "$@"
