# The placeholder midas.dll (see midas/midas.c); the driver puts the
# packager's licensed copy in its place when VEK_MIDAS_DLL names one.
. "$PAYLOAD_TOOLS/steps/common.sh"

src=$PAYLOAD_TOOLS/midas
"$WINDRES" --target=pe-i386 -i "$src/midas.rc" -o midas-rc.o
$CC $CFLAGS -Wall -c "$src/midas.c" -o midas.o
# Under its bare name, as iconv.dll (see iconv.sh).
$CC -shared $LDFLAGS -o midas.dll midas.o midas-rc.o
cp midas.dll "$STAGE/bin/"
