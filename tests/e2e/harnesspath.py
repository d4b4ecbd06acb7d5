"""Puts harness/, at the top of the checkout, first on the end-to-end tests' import path."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "harness"))
