# libxmlsec.dll (the core) and libxmlsec-openssl.dll (the OpenSSL engine,
# with OpenSSL's libcrypto linked in statically).
. "$PAYLOAD_TOOLS/steps/common.sh"

cd "$SRC"
# The OpenSSL engine loads OpenSSL's legacy provider when it starts, so that
# PKCS#12 files with legacy protection can be read (see the patch).
patch -p1 --no-backup-if-mismatch < "$PAYLOAD_TOOLS/patches/xmlsec-legacy-provider.patch"
keep_generated_build_files
# The Windows builds of xmlsec have always been libxmlsec.dll and
# libxmlsec-openssl.dll, unversioned; autotools would make libxmlsec1-1.dll
# and libxmlsec1-openssl-1.dll. Renaming the library targets before
# configure renames the DLLs and the import between them.
for m in src/Makefile.in src/openssl/Makefile.in; do
  sed -i -e 's/libxmlsec1/libxmlsec/g' \
         -e 's/-version-info @XMLSEC_VERSION_INFO@/-avoid-version/' "$m"
done
LIBXML_CFLAGS="-I$DEP_libxml2/include -I$DEP_iconv/include" \
LIBXML_LIBS="-L$DEP_libxml2/lib -lxml2" \
LIBXSLT_CFLAGS="-I$DEP_libxslt/include" \
LIBXSLT_LIBS="-L$DEP_libxslt/lib -lxslt" \
./configure --host="$HOST" --prefix="$PREFIX" --enable-shared --disable-static \
  --with-openssl="$DEP_openssl" --disable-crypto-dl --disable-apps-crypto-dl \
  --without-nss --without-gcrypt --without-gnutls \
  --disable-mscrypto --disable-mscng --disable-docs
# libtool for Windows lets a DLL depend only on other DLLs' import libraries
# and would drop the static libcrypto from the engine's link; accepting any
# library takes it in. What libcrypto needs from Windows comes along.
sed -i 's/^deplibs_check_method=.*/deplibs_check_method="pass_all"/' libtool
make -j"$JOBS" -C include
link_version src/Makefile libxmlsec.dll
link_version src/openssl/Makefile libxmlsec-openssl.dll
make -j"$JOBS" -C src libxmlsec.la
make -j"$JOBS" -C src/openssl libxmlsec-openssl.la \
  OPENSSL_LIBS="-L$DEP_openssl/lib -lcrypto $(cat "$DEP_openssl/lib/crypto-deps.txt")"

# xmlsec's own command-line program, from the same tree, for the tests that
# run upstream's test material against the set; it is not a payload. It
# reaches OpenSSL only through libxmlsec-openssl.dll. It includes libexslt's
# header but calls nothing from it, and libexslt is not part of the set.
mkdir -p include/libexslt
echo "/* libexslt is not part of the payload set. */" > include/libexslt/exslt.h
make -j"$JOBS" -C apps xmlsec1.exe XMLSEC_LIBS=../src/libxmlsec.la \
  CRYPTO_DEPS=../src/openssl/libxmlsec-openssl.la XMLSEC_CRYPTO_LIBS=
mkdir -p "$STAGE/clients"
# (libtool leaves the program itself in .libs/, a launcher beside it.)
cp apps/.libs/xmlsec1.exe "$STAGE/clients/"

cp src/.libs/libxmlsec.dll src/openssl/.libs/libxmlsec-openssl.dll "$STAGE/bin/"
cp src/.libs/libxmlsec.dll.a src/openssl/.libs/libxmlsec-openssl.dll.a "$STAGE/lib/"
mkdir -p "$STAGE/include/xmlsec/openssl"
cp include/xmlsec/*.h "$STAGE/include/xmlsec/"
cp include/xmlsec/openssl/*.h "$STAGE/include/xmlsec/openssl/"
