# OpenSSL's libcrypto as a static library, for xmlsec's OpenSSL engine to
# take in whole: the payload set then carries no OpenSSL DLL of its own.
. "$PAYLOAD_TOOLS/steps/common.sh"

cd "$SRC"
# Plain C, no assembler: Debian's patches make OpenSSL's x86 assembler
# position-independent for ELF, which the COFF assembler cannot represent.
# An in-tree build compiles with relative paths, so __FILE__ (kept in
# OpenSSL's error records) names no build folder, and buildinf.h takes its
# date from SOURCE_DATE_EPOCH. CFLAGS stays out of it: OpenSSL keeps its
# compiler flags as a string inside the library.
# no-module builds the legacy provider (RC2, single DES, MD4, ...) into
# libcrypto instead of a legacy.dll loaded from disk: PKCS#12 files written by
# older software need it, and the payload set carries no OpenSSL files.
# The floor of the set is pinned here too; at Vista OpenSSL takes Windows'
# slim reader/writer locks and fibres.
env -u CFLAGS -u LDFLAGS \
  ./Configure mingw no-shared no-module no-tests no-asm \
    -D_WIN32_WINNT="$WINNT" -DWINVER="$WINNT" \
    CC="$CC" AR="$AR" RANLIB="$RANLIB" RC="$WINDRES"
make -j"$JOBS" build_generated
make -j"$JOBS" libcrypto.a

cp libcrypto.a "$STAGE/lib/"
mkdir -p "$STAGE/include/openssl"
cp include/openssl/*.h "$STAGE/include/openssl/"
# What a program that links the static library needs besides it.
echo "-lws2_32 -lgdi32 -lcrypt32 -luser32 -ladvapi32 -lbcrypt" > "$STAGE/lib/crypto-deps.txt"
