#!/bin/sh
# Audits a payload set against the Debian archive (see vek.payload.audit): the set in
# FOLDER, or without one the set that the payload build gives (which builds
# it first where the cache lacks it). Prints one table; exits non-zero when
# any package is behind or the archive cannot be reached.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

if [ $# -eq 0 ]; then
  set -- "$("$here/build.sh")"
fi
exec "$here/../python" -m vek.payload.audit "$@"
