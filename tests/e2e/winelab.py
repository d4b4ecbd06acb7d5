"""The end-to-end tests' laboratory, in one import for the benchmarks and the
other suites: the build's facts (facts), commands and waits (commands), the
X display (display), Wine prefixes (prefix), the probe that reads windows
from inside Wine (winprobe) and the fault table (faulttable)."""

from commands import run, stop, wait_for_exit, wait_until  # noqa: F401
from display import Display  # noqa: F401
from facts import (ARTIFACTS, BTN_OK, BTN_SAIR, BUILD, FACTS, PAYLOADS, PNL_AGUARDE,  # noqa: F401
                   ROOT, TEXTS, TITLES, payload_folder)
from faulttable import FAULT_TABLE, record_fault  # noqa: F401
from prefix import (WINE_ROOT, Prefix, Targets, WinePrefix, digest,  # noqa: F401
                    install_wine_fonts, kill_program, landing_folders, mappings,
                    partial_files, partial_targets, remove_payloads, wine_command)
from winprobe import Probe, assert_keys_ignored, box_texts, controls, cp1252, dismiss  # noqa: F401
