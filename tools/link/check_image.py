"""Checks a linked VekDll.exe against two rules of its build, failing the
build when either is broken:

- no static constructors: the program starts at its own entry point, without
  the C runtime's start-up, so nothing would run them (the linker's map
  names every input section; a constructor is one in .ctors or .init_array);
- the size budget: the executable less the payload bytes it carries stays
  within BUDGET bytes;
- the floor: it imports no function that the oldest Windows it runs on
  lacks (the payload validator's list).

Usage: check_image.py MAP EXECUTABLE BUDGET PAYLOAD..."""

import os
import re
import sys

from vek import pe
from vek.payload import validate

# An input section line of a GNU ld map: name, address, size, file. A long
# name stands alone on its line, with the rest on the next.
SECTION = re.compile(r"^ (\.ctors|\.init_array)\S*\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)", re.M)


def constructors(map_text):
    """The files that bring static constructors into the link."""
    joined = re.sub(r"^ (\S+)\n\s+(0x)", r" \1 \2", map_text, flags=re.M)
    return sorted({f for _, size, f in SECTION.findall(joined) if int(size, 16)})


def problems(map_text, exe_size, payload_size, budget, late=()):
    found = [f"it imports what {validate.FLOOR} lacks: {', '.join(late)}"] if late else []
    for name in constructors(map_text):
        found.append(f"{name} has static constructors, which nothing runs in this program")
    overhead = exe_size - payload_size
    if overhead > budget:
        found.append(f"the executable less its payload is {overhead} bytes, "
                     f"past the budget of {budget}")
    return found


def main(argv):
    map_path, exe, budget, *payload = argv
    with open(map_path, encoding="utf-8", errors="replace") as f:
        map_text = f.read()
    late = validate.past_floor(pe.Image(exe).imports())
    found = problems(map_text, os.path.getsize(exe), sum(map(os.path.getsize, payload)),
                     int(budget), late)
    for problem in found:
        print(f"check_image: {problem}", file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
