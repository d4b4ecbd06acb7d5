# libxml2.dll, importing iconv.dll and zlib1.dll.
. "$PAYLOAD_TOOLS/steps/common.sh"

cd "$SRC"
keep_generated_build_files
./configure --host="$HOST" --prefix="$PREFIX" --enable-shared --disable-static \
  --without-python --without-lzma --without-icu \
  --with-zlib="$DEP_zlib" --with-iconv="$DEP_iconv"
# Windows builds of libxml2 have always been an unversioned libxml2.dll;
# libtool would name it libxml2-2.dll.
sed -i 's/-version-info \$(LIBXML_VERSION_INFO)/-avoid-version/' Makefile
link_version Makefile libxml2.dll
make -j"$JOBS" libxml2.la

cp .libs/libxml2.dll "$STAGE/bin/"
cp .libs/libxml2.dll.a "$STAGE/lib/"
mkdir -p "$STAGE/include/libxml"
cp include/libxml/*.h "$STAGE/include/libxml/"
