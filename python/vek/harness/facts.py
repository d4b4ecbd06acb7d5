"""What the harness knows of the product: where the build is, what
the build read from the program's own tables (harness.json), and the texts
that the program shows."""

import json
import os
from pathlib import Path

from vek import ROOT

BUILD = Path(os.environ.get("VEK_BUILD", ROOT / "build" / "win32"))
ARTIFACTS = Path(os.environ.get("VEK_ARTIFACTS", ROOT / "build" / "e2e"))


def _facts():
    """What the build read from the program's own tables (harness.json)."""
    path = BUILD / "harness.json"
    if not path.exists():
        raise RuntimeError(f"{path} is missing: configure the win32 preset first")
    return json.loads(path.read_text())


FACTS = _facts()
# The payloads, in the order in which the installer writes and copies them.
PAYLOADS = [payload["file"] for payload in FACTS["payloads"]]
# The ids of the main form's controls that the tests press and read.
BTN_OK, BTN_SAIR, PNL_AGUARDE = (FACTS["controls"][name] for name in ("BtnOk", "BtnSair", "PnlAguarde"))
# The window's title by the bitness of Windows.
TITLES = {"win64": "VEK DLLS - 64 BITS", "win32": "VEK DLLS - 32 BITS"}
# The program's texts as it writes them, in code page 1252; those with a %s
# take a file's name or a folder's path (bytes too).
TEXTS = {
    "caption": b"VEK INFORM\xc1TICA",  # of the run's message boxes
    "wait": b"AGUARDE ...",  # the wait panel's text before the progress
    "install": b"INSTALAR",
    "exit": b"SAIR (ESC)",
    "success": b"Arquivos copiados com \xeaxito !",
    "refused": b"N\xe3o foi possivel copiar o arquivo:\r\n\r\n%s",  # the name in capitals
    "advice": b"Alguns arquivos n\xe3o foram copiados.\r\nTente executar como administrador.",
    "no_staging": b"N\xc3O FOI POSS\xcdVEL CRIAR O DIRET\xd3RIO\r%s",  # the path, ending in \Dlls\
    "cannot_create": b'Cannot create file "%s". %s.',  # the path, the system's description
    "disk_full": b"Stream write error.",
}


def payload_folder():
    """The folder of the seven payloads that the built executable carries."""
    return Path((BUILD / "payload" / "folder.txt").read_text().strip())
