#!/usr/bin/env python3
"""Executable overhead: the size of VekDll.exe minus the payload bytes that it
carries, against a bare MinGW Win32 window program built in the same run.
Budget: 64 KB. Build first with the win32 preset."""

from benchlib import baseline_window, verdict, winelab

BUDGET = 64 * 1024


def measure():
    exe = winelab.BUILD / "VekDll.exe"
    payload = sum(p.stat().st_size for p in winelab.payload_folder().glob("*.dll"))
    overhead = exe.stat().st_size - payload
    bare = baseline_window().stat().st_size
    return overhead, bare


def main():
    overhead, bare = measure()
    print(f"VekDll.exe overhead {overhead} bytes ({overhead / 1024:.1f} KB), "
          f"bare window program {bare} bytes: {overhead / bare:.2f}x; "
          f"budget {BUDGET // 1024} KB: {verdict(overhead <= BUDGET)}")


if __name__ == "__main__":
    main()
