"""The project's Python: what the tools, the tests and the benchmarks share,
one package on the path that tools/python sets (the one way the project
runs Python).

  vek.productfacts  the program's facts (payloads, control ids), read from
                    its own data files through the C preprocessor
  vek.pe            the one reader of PE files (Debian's pefile)
  vek.harness       Wine prefixes, the Xvfb display and the probe's client
  vek.payload       the payload set: its build, validation, manifest, audit
  vek.release       the release: build, signing, bill of materials, notices
"""

from pathlib import Path

# The checkout this package lies in (python/vek/ below it).
ROOT = Path(__file__).resolve().parents[2]
