#!/bin/sh
# Every benchmark, one line each: figure, baseline, budget and verdict.
# Build first: cmake --preset win32 && cmake --build --preset win32
set -eu
cd "$(dirname "$0")"
python3 size.py
python3 startup.py "${1:-7}"
python3 install_run.py "${1:-5}"
python3 extraction.py "${2:-5}"
