# libxslt.dll, importing libxml2.dll. (libexslt is not part of the set.)
. "$PAYLOAD_TOOLS/steps/common.sh"

cd "$SRC"
keep_generated_build_files
# libxml2 is given by hand: its xml2-config would answer for the build
# machine, not for the cross build.
LIBXML_CFLAGS="-I$DEP_libxml2/include -I$DEP_iconv/include" \
LIBXML_LIBS="-L$DEP_libxml2/lib -lxml2" \
./configure --host="$HOST" --prefix="$PREFIX" --enable-shared --disable-static \
  --without-python --without-crypto --without-plugins --without-debugger
# An unversioned libxslt.dll, as Windows builds have always named it.
sed -i 's/-version-info \$(LIBXSLT_VERSION_INFO)/-avoid-version/' libxslt/Makefile
link_version libxslt/Makefile libxslt.dll
make -j"$JOBS" -C libxslt libxslt.la

cp libxslt/.libs/libxslt.dll "$STAGE/bin/"
cp libxslt/.libs/libxslt.dll.a "$STAGE/lib/"
mkdir -p "$STAGE/include/libxslt"
cp libxslt/*.h "$STAGE/include/libxslt/"
