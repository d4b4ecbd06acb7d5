#!/bin/sh
# Every benchmark as one table: figure, measured, baseline, budget, verdict.
# Build first: cmake --preset win32 && cmake --build --preset win32
set -eu
cd "$(dirname "$0")"
../tools/python -c 'import benchlib; print(benchlib.header())'
../tools/python size.py
../tools/python startup.py "${1:-9}"
../tools/python counts.py
../tools/python install_run.py "${1:-5}"
../tools/python run_counts.py
../tools/python extraction.py "${2:-5}"
../tools/python placing.py "${1:-5}"
