"""What the release says about the licences of the code inside VekDll.exe:
one entry per package that the payload manifest can name, and the pieces of
the compiler's runtime that are linked into the executable and the libraries
built here.

The SPDX expressions were read from each package's debian/copyright and
upstream licence files, for the parts that are built into the set. Read them
again when a package moves to a new upstream version."""

from collections import namedtuple

# licence: the SPDX expression of the parts built into the set.
# upstream: the upstream files, beside debian/copyright, whose notices the
#   release reproduces (the notices skip one whose text debian/copyright
#   already holds).
Package = namedtuple("Package", "licence upstream note", defaults=([], ""))

DEBIAN = {
    # hash.c and list.c, always built, carry the ISC licence.
    "libxml2": Package("MIT AND ISC", ["Copyright"]),
    "libxslt": Package("MIT", ["Copyright"]),
    "xmlsec1": Package("MIT", ["Copyright"]),
    "openssl": Package("Apache-2.0", ["LICENSE.txt"],
                       note="libcrypto, linked statically into libxmlsec-openssl.dll"),
    "zlib": Package("Zlib", ["LICENSE"]),
}

# Our own libraries: no third-party code, no third-party notice.
OWN = {
    "vekdll-iconv": "our own iconv library over the Windows code-page functions",
    "vekdll-midas-placeholder": "PLACEHOLDER of ours, not the real midas.dll",
}

# The package name the payload manifest gives a licensed midas.dll.
LICENSED_MIDAS = "licensed (VEK_MIDAS_DLL)"

# Parts of the MinGW-w64 compiler that every program and library it links
# carries: the start-up code and C runtime glue (mingw-w64), and libgcc's
# helpers with crtbegin/crtend (gcc-mingw-w64). Installed Debian packages,
# whose copyright files hold the notices.
Runtime = namedtuple("Runtime", "name binary licence summary excerpt")
RUNTIME = [
    Runtime("MinGW-w64 runtime", "mingw-w64-i686-dev", "NOASSERTION",
            "the start-up code and C runtime glue of the MinGW-w64 compiler: "
            "ZPL-2.1, public-domain and other permissive terms, file by file",
            None),
    # The GCC Runtime Library Exception lets a compiled program carry these
    # under terms of its own; its text is reproduced all the same.
    Runtime("libgcc", "gcc-mingw-w64-i686-win32", "GPL-3.0-or-later WITH GCC-exception-3.1",
            "GCC's runtime helpers (libgcc, crtbegin, crtend)",
            ("GCC RUNTIME LIBRARY EXCEPTION", "requirements of the license of GCC.")),
]
