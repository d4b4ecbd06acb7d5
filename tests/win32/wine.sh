#!/bin/sh
# Runs a Windows test program under Wine: in the Wine prefix PREFIX (made on
# first use), with a UTF-8 locale whose ANSI code page is 1252, on the
# caller's display or else on a private Xvfb display (windows need one).
# Stops the prefix's Wine server afterwards.
#
# Usage: wine.sh PREFIX PROGRAM [ARGUMENT...]
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES=winemenubuilder.exe=d LC_ALL=C.UTF-8

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh "$0" "$prefix" "$@"
fi
status=0
wine "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
