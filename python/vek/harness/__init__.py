"""The harness in one import, for the run command, the benchmarks and the
test suites: the build's facts (facts), commands and waits (commands), the
X display (display), Wine prefixes (prefix) and the probe that reads windows
from inside Wine (winprobe)."""

from .commands import run, stop, wait_for_exit, wait_until  # noqa: F401
from .display import Display  # noqa: F401
from .facts import (ARTIFACTS, BTN_OK, BTN_SAIR, BUILD, FACTS, PAYLOADS, PNL_AGUARDE,  # noqa: F401
                   ROOT, TEXTS, TITLES, payload_folder)
from .prefix import (WINE_ROOT, Prefix, Targets, WinePrefix, digest,  # noqa: F401
                    install_wine_fonts, kill_program, landing_folders, mappings,
                    partial_files, partial_targets, remove_payloads, wine_command)
from .winprobe import Probe, assert_keys_ignored, box_texts, controls, cp1252, dismiss  # noqa: F401
