#!/bin/sh
# Builds VekDll.exe and starts it: under Wine when not on Windows. Without a
# display it runs inside Xvfb, saves a screenshot of the window and says where.
set -eu
cd "$(dirname "$0")/.."

tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32

# A prefix and a folder of our own, outside the source tree, so that the
# staging folder Dlls\ lands beside this copy of the executable.
export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/vekdll/wine64}"
folder="$WINEPREFIX/drive_c/VekDll"
mkdir -p "$folder"
cp build/win32/VekDll.exe "$folder/"
exec tools/python tools/winerun.py "$folder/VekDll.exe" build/screenshot.png
