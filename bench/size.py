"""Executable overhead: the size of VekDll.exe minus the payload bytes that it
carries, against a bare MinGW Win32 window program built in the same run.
Budget: 64 KB. Build first with the win32 preset."""

from benchlib import baseline_window, row
from vek import harness

BUDGET = 64 * 1024


def measure():
    exe = harness.BUILD / "VekDll.exe"
    payload = sum(p.stat().st_size for p in harness.payload_folder().glob("*.dll"))
    overhead = exe.stat().st_size - payload
    bare = baseline_window().stat().st_size
    return overhead, bare


def main():
    overhead, bare = measure()
    row("executable overhead: VekDll.exe minus its payload bytes",
        f"{overhead / 1024:.1f} KB ({overhead} bytes)",
        f"bare window program {bare / 1024:.1f} KB: {overhead / bare:.2f}x",
        f"<= {BUDGET // 1024} KB", overhead <= BUDGET)


if __name__ == "__main__":
    main()
