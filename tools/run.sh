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
export WINEDEBUG="${WINEDEBUG:--all}"
folder="$WINEPREFIX/drive_c/VekDll"
mkdir -p "$folder"
cp build/win32/VekDll.exe "$folder/"
[ -d "$WINEPREFIX/drive_c/windows" ] || wineboot -i
# Wine's own fonts (MS Sans Serif, Marlett for the title bar's boxes): a
# 32-bit Wine run through qemu does not find them in its data folder.
cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null

if [ -n "${DISPLAY:-}" ]; then
  cd "$folder" && exec wine VekDll.exe
fi

exec python3 tools/screenshot.py "$folder/VekDll.exe" build/screenshot.png
