#!/bin/sh
# Every benchmark as one table: figure, measured, baseline, budget, verdict.
# Build first: cmake --preset win32 && cmake --build --preset win32
set -eu
cd "$(dirname "$0")"
python3 -c 'import benchlib; print(benchlib.header())'
python3 size.py
python3 startup.py "${1:-9}"
python3 counts.py
python3 install_run.py "${1:-5}"
python3 run_counts.py
python3 extraction.py "${2:-5}"
python3 placing.py "${1:-5}"
