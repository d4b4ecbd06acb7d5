"""The version resource (VERSIONINFO) of each library that the payload build
makes from a Debian source package, so that Windows' file properties, a
support desk and an installer's version rules can tell which build a file
in a system folder is: the upstream version in four numbers, the upstream
project's name and notice, the file's own name, and where it was built from.

The facts below were read from each upstream's own notice (its licence file
or main header); read them again when a package moves to a new upstream
version."""

import re
from collections import namedtuple

# description: what the file is; product, company, copyright: the upstream
# project's name, its authors as its notice names them, and that notice.
Facts = namedtuple("Facts", "description product company copyright")

FACTS = {
    "libxml2.dll": Facts("XML C parser and toolkit", "libxml2", "Daniel Veillard",
                         "Copyright (C) 1998-2012 Daniel Veillard"),
    "libxslt.dll": Facts("XSLT C library", "libxslt", "Daniel Veillard",
                         "Copyright (C) 2001-2002 Daniel Veillard"),
    "libxmlsec.dll": Facts("XML Security Library", "xmlsec", "Aleksey Sanin",
                           "Copyright (C) 2002-2016 Aleksey Sanin"),
    "libxmlsec-openssl.dll": Facts(
        "XML Security Library, OpenSSL engine (with OpenSSL's libcrypto inside)", "xmlsec",
        "Aleksey Sanin", "Copyright (C) 2002-2016 Aleksey Sanin; OpenSSL: Copyright (c) "
        "1998-2026 The OpenSSL Project, Copyright (c) 1995-1998 Eric A. Young, Tim J. Hudson"),
    "zlib1.dll": Facts("zlib data compression library", "zlib",
                       "Jean-loup Gailly and Mark Adler",
                       "Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler"),
}


def numbers(version):
    """The four numbers of a Debian version's upstream part, e.g.
    "1:1.2.13.dfsg-1+deb12u1" -> (1, 2, 13, 0); missing ones are 0."""
    upstream = version.split(":", 1)[-1].rsplit("-", 1)[0]
    found = [int(n) for n in re.match(r"\d+(?:\.\d+)*", upstream).group(0).split(".")][:4]
    return tuple(found + [0] * (4 - len(found)))


def script(name, packages):
    """The resource script of the file `name`, built from `packages`
    [(Debian source package, version)], the first one its own."""
    facts = FACTS[name]
    four = numbers(packages[0][1])
    dotted = ".".join(map(str, four))
    built_from = " and ".join(f"{package} {version}" for package, version in packages)
    values = [
        ("CompanyName", facts.company),
        ("FileDescription", facts.description),
        ("FileVersion", dotted),
        ("InternalName", name.rsplit(".", 1)[0]),
        ("LegalCopyright", facts.copyright),
        ("OriginalFilename", name),
        ("ProductName", facts.product),
        ("ProductVersion", dotted),
        ("Comments", f"Built for VekDll from the Debian source package{'s' if len(packages) > 1 else ''} "
                     f"{built_from}"),
    ]
    rows = "\n".join(f'      VALUE "{key}", "{text}"' for key, text in values)
    commas = ",".join(map(str, four))
    return f"""#include <winver.h>

VS_VERSION_INFO VERSIONINFO
FILEVERSION {commas}
PRODUCTVERSION {commas}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_DLL
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
{rows}
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
"""
