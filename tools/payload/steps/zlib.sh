# zlib1.dll from Debian's zlib source package, so that its security uploads
# reach the set. Debian's source leaves out zlib's win32 build files, so the
# library is compiled here as zlib's own Windows makefile does: every source
# file of the library, the exports from a module-definition file of ours
# (zlib/zlib1.def), and importing only KERNEL32 and msvcrt.
. "$PAYLOAD_TOOLS/steps/common.sh"

cd "$SRC"
for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
         inflate inftrees trees uncompr zutil; do
  $CC $CFLAGS -Wall -c $f.c -o $f.o
done
"$WINDRES" --target=pe-i386 -i "$VERSIONINFO/zlib1.dll.rc" -o zlib1-rc.o
# Under its bare name, as iconv.dll (see iconv.sh).
$CC -shared $LDFLAGS -o zlib1.dll "$PAYLOAD_TOOLS/zlib/zlib1.def" *.o \
  -Wl,--out-implib,libz.dll.a

cp zlib1.dll "$STAGE/bin/"
cp libz.dll.a "$STAGE/lib/"
cp zlib.h zconf.h "$STAGE/include/"
