# Sourced by every step: the cross toolchain, and the flags that keep its
# output free of anything that differs between two builds of the same
# sources (link time stamps, the folder the build ran in).
#
# A step runs in an empty work folder with the environment the driver gives:
#   SRC    a fresh, writable copy of the unpacked source package (if any)
#   STAGE  where the step puts bin/*.dll, lib/ (import and static libraries)
#          and include/
#   DEP_x  the STAGE of each library the step depends on (DEP_zlib, ...)
#   PAYLOAD_TOOLS  tools/payload, for our own sources
#   SOURCE_DATE_EPOCH  the date of the source package's last changelog entry
set -eu

HOST=i686-w64-mingw32
# The win32 thread model: nothing then pulls in libwinpthread. libgcc goes
# into each DLL, so that no payload needs a compiler runtime DLL; the flag
# rides on the compiler's name because libtool drops it from LDFLAGS.
CC="$HOST-gcc-win32 -static-libgcc"
AR=$HOST-ar
RANLIB=$HOST-ranlib
WINDRES=$HOST-windres
STRIP=$HOST-strip
DLLTOOL=$HOST-dlltool
NM=$HOST-nm
export CC AR RANLIB WINDRES STRIP DLLTOOL NM

# No debug information, and no cache folder in __FILE__: the driver builds
# every step below VEK_CACHE_ROOT, which differs between machines and users.
# The oldest Windows the set runs on, Vista (FLOOR in python/vek/payload/validate.py),
# pinned: the headers then offer nothing newer, whatever the toolchain's own
# default (Windows 10).
WINNT=0x0600
CFLAGS="-O2 -g0 -D_WIN32_WINNT=$WINNT -DWINVER=$WINNT -ffile-prefix-map=${VEK_CACHE_ROOT:-$PWD}=."
# The PE header gets no link time, and the DLLs no symbol table (exports
# live in their own table and stay).
LDFLAGS="-Wl,--no-insert-timestamp -Wl,-s"
export CFLAGS LDFLAGS

# Nothing from the build machine's own pkg-config files may leak in.
PKG_CONFIG_LIBDIR=/nonexistent
PKG_CONFIG_PATH=
export PKG_CONFIG_LIBDIR PKG_CONFIG_PATH

# The prefix only ends up as text inside the libraries (default catalogue and
# plugin paths), so it is the same fixed one for every build.
PREFIX=/usr/local

JOBS=$(nproc 2>/dev/null || echo 2)

mkdir -p "$STAGE/bin" "$STAGE/lib" "$STAGE/include"

# Debian's patches touch Makefile.am and configure.ac only for the tests and
# the documentation, which these builds leave out; they would still make
# automake want to run again. The generated files are marked as current
# instead, so the build needs no autotools of its own.
keep_generated_build_files() {
  find . \( -name aclocal.m4 -o -name configure -o -name Makefile.in -o -name config.h.in \) \
    -exec touch -d @"${SOURCE_DATE_EPOCH:-0}" {} +
  find . \( -name Makefile.am -o -name configure.ac -o -name '*.m4' ! -name aclocal.m4 \) \
    -exec touch -d @"$(( ${SOURCE_DATE_EPOCH:-0} - 1 ))" {} +
}

# version_object NAME: compiles the version resource that the driver wrote
# for the file NAME ($VERSIONINFO/NAME.rc) and prints the object's path, for
# the link of that file.
version_object() {
  "$WINDRES" --target=pe-i386 -i "$VERSIONINFO/$1.rc" -o "$PWD/$1-version.o"
  echo "$PWD/$1-version.o"
}

# link_version MAKEFILE NAME: the libraries that MAKEFILE links get the
# version resource of NAME as one more object on their link (appended to the
# LDFLAGS that configure wrote there, which hold flags of its own).
link_version() {
  object=$(version_object "$2")
  sed -i "s|^LDFLAGS = .*|& -Wl,$object|" "$1"
}
