# iconv.dll, our own (tools/payload/iconv): the archive has no libiconv.
. "$PAYLOAD_TOOLS/steps/common.sh"

src=$PAYLOAD_TOOLS/iconv
"$WINDRES" --target=pe-i386 -i "$src/iconv.rc" -o iconv-rc.o
for f in iconv names codepage iso2022jp; do
  $CC $CFLAGS -Wall -Wextra -c "$src/$f.c" -o $f.o
done
# Linked under its bare name: ld derives the DLL's image base from the
# output name as given, and a path into the cache would differ per build.
$CC -shared $LDFLAGS -o iconv.dll iconv.o names.o codepage.o iso2022jp.o iconv-rc.o -Wl,--out-implib,libiconv.dll.a
cp iconv.dll "$STAGE/bin/"
cp libiconv.dll.a "$STAGE/lib/"
cp "$src/iconv.h" "$STAGE/include/"
