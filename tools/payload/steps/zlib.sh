# zlib1.dll as Debian builds it for MinGW (libz-mingw-w64): the zlib source
# package leaves out the win32 build files, and the binary package already is
# a 32-bit zlib1.dll that imports only KERNEL32 and msvcrt.
. "$PAYLOAD_TOOLS/steps/common.sh"

sysroot=/usr/$HOST
cp "$sysroot/lib/zlib1.dll" "$STAGE/bin/"
cp "$sysroot/lib/libz.dll.a" "$STAGE/lib/"
cp "$sysroot/include/zlib.h" "$sysroot/include/zconf.h" "$STAGE/include/"
