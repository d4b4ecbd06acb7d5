# The pictures, in the form in which the window paints them, and the icon,
# drawn by our own script.
set(VEK_IMAGES_DIR ${CMAKE_BINARY_DIR}/images)
set(VEK_IMAGES
  ${VEK_IMAGES_DIR}/logo.pixels ${VEK_IMAGES_DIR}/glyph_ok.pixels
  ${VEK_IMAGES_DIR}/glyph_sair.pixels ${VEK_IMAGES_DIR}/vekdll.ico)
add_custom_command(
  OUTPUT ${VEK_IMAGES}
  COMMAND ${VEK_PYTHON} ${CMAKE_SOURCE_DIR}/tools/images/make_images.py ${VEK_IMAGES_DIR}
          LOGO=${VEK_LOGO_SIZE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/images/make_images.py ${CMAKE_SOURCE_DIR}/tools/images/packed.py
  COMMENT "Drawing the logo, glyphs and icon")
add_custom_target(vekimages DEPENDS ${VEK_IMAGES})
configure_file(app/resources/Version.h.in ${VEK_IMAGES_DIR}/Version.h @ONLY)
configure_file(app/resources/VekDll.manifest.in ${VEK_IMAGES_DIR}/VekDll.manifest @ONLY)
