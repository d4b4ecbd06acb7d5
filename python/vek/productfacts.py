"""The facts that the build, the payload tools and the tests share with the
program, read from the program's own data files (app/payload/Payloads.def,
app/ControlesPrincipal.def, platform/Resources.h) by the C preprocessor
alone, through cmake/ProductFacts.c, so that each is written once: the
payloads (file and resource names, in order), the main form's control ids,
the payloads' resource type and the logo's side.

As a program, `python -m vek.productfacts CC JSON CMAKE` (run by the build when it
configures) writes them as JSON for the Python tests and benchmarks
(harness.json) and as CMake variables for the build; each file is written
only when it changes, since the tests read the JSON while a run may
configure again."""

import json
import shlex
import subprocess
import sys
from pathlib import Path

from vek import ROOT

SOURCE = ROOT / "cmake" / "ProductFacts.c"


def read(cc="i686-w64-mingw32-gcc"):
    """The facts as a dict: payloads [{file, resource}], controls {name: id},
    resource_type, logo_side. Raises SystemExit naming what is wrong."""
    run = subprocess.run([cc, "-E", "-P", f"-I{ROOT}", "-x", "c", str(SOURCE)],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if run.returncode != 0:
        raise SystemExit(f"{SOURCE}: the preprocessor failed: {run.stderr.strip()}")
    facts = {"payloads": [], "controls": {}, "resource_type": None, "logo_side": None}
    for line in run.stdout.splitlines():
        fields = shlex.split(line)
        if not fields:
            continue
        kind, values = fields[0], fields[1:]
        if kind == "payload" and len(values) == 2:
            facts["payloads"].append({"file": values[0], "resource": values[1]})
        elif kind == "control" and len(values) == 2:
            facts["controls"][values[0]] = int(values[1])
        elif kind in ("resource_type", "logo_side") and len(values) == 1:
            facts[kind] = values[0] if kind == "resource_type" else int(values[0])
        else:
            raise SystemExit(f"{SOURCE}: unknown fact {line!r}")
    missing = [kind for kind, value in facts.items() if not value]
    if missing:
        raise SystemExit(f"{SOURCE}: no {', '.join(missing)}")
    return facts


def payload_names(facts=None):
    """The payloads' file names, in the order of the program's list."""
    return [payload["file"] for payload in (facts or read())["payloads"]]


def write_if_changed(path, text):
    path = Path(path)
    if not path.exists() or path.read_text() != text:
        path.write_text(text)


def main(argv):
    if len(argv) != 4:
        print("usage: python -m vek.productfacts CC JSON CMAKE", file=sys.stderr)
        return 2
    cc, json_path, cmake_path = argv[1:]
    facts = read(cc)
    harness = {key: facts[key] for key in ("resource_type", "payloads", "controls")}
    write_if_changed(json_path, json.dumps(harness, indent=2) + "\n")
    side = facts["logo_side"]
    variables = {
        "VEK_PAYLOAD_NAMES": ";".join(p["file"] for p in facts["payloads"]),
        "VEK_PAYLOAD_RESOURCES": ";".join(p["resource"] for p in facts["payloads"]),
        "VEK_RESOURCE_TYPE": facts["resource_type"],
        "VEK_LOGO_SIZE": f"{side}x{side}",
    }
    write_if_changed(cmake_path, "# Written by vek.productfacts.\n" + "".join(
        f'set({name} "{value}")\n' for name, value in variables.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
