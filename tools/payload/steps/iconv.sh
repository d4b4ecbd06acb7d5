# iconv.dll, our own (tools/payload/iconv): the archive has no libiconv.
. "$PAYLOAD_TOOLS/steps/common.sh"

src=$PAYLOAD_TOOLS/iconv
"$WINDRES" --target=pe-i386 -i "$src/iconv.rc" -o iconv-rc.o
$CC $CFLAGS -Wall -Wextra -c "$src/iconv.c" -o iconv.o
$CC -shared $LDFLAGS -o "$STAGE/bin/iconv.dll" iconv.o iconv-rc.o \
  -Wl,--out-implib,"$STAGE/lib/libiconv.dll.a"
cp "$src/iconv.h" "$STAGE/include/"
