# VekDll.exe: one self-contained 32-bit GUI executable that imports only
# libraries every Windows has. Built without C++ exceptions and RTTI and
# without the C++ library's allocation functions (platform/win32/Memory.cpp):
# together they would cost more than the whole program.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VEK_SIZE_FLAGS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
target_compile_options(vekcore PRIVATE ${VEK_SIZE_FLAGS})

# The pictures and the icon, drawn by our own script.
set(VEK_IMAGES_DIR ${CMAKE_BINARY_DIR}/images)
set(VEK_IMAGES
  ${VEK_IMAGES_DIR}/logo.png ${VEK_IMAGES_DIR}/glyph_ok.png
  ${VEK_IMAGES_DIR}/glyph_sair.png ${VEK_IMAGES_DIR}/vekdll.ico)
add_custom_command(
  OUTPUT ${VEK_IMAGES}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/images/make_images.py ${VEK_IMAGES_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/images/make_images.py
  COMMENT "Drawing the logo, glyphs and icon")
add_custom_target(vekimages DEPENDS ${VEK_IMAGES})
configure_file(app/resources/Version.h.in ${VEK_IMAGES_DIR}/Version.h @ONLY)

include(cmake/Payload.cmake)

add_executable(VekDll WIN32
  app/VekDll.cpp
  app/resources/VekDll.rc
  ${CMAKE_BINARY_DIR}/payload/Payloads.rc
  platform/Resample.cpp
  platform/win32/Application.cpp
  platform/win32/Controls.cpp
  platform/win32/DllSearch.cpp
  platform/win32/InformationDialog.cpp
  platform/win32/MainForm.cpp
  platform/win32/Memory.cpp
  platform/win32/Paint.cpp
  platform/win32/Picture.cpp
  platform/win32/Platform.cpp
  platform/win32/Services.cpp
)
add_dependencies(VekDll vekimages vekpayload)
set_source_files_properties(app/resources/VekDll.rc PROPERTIES OBJECT_DEPENDS "${VEK_IMAGES}")
target_include_directories(VekDll PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(VekDll PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${VEK_SIZE_FLAGS} -Wall -Wextra>
  $<$<COMPILE_LANGUAGE:RC>:-I${VEK_IMAGES_DIR}>)
target_link_libraries(VekDll PRIVATE vekcore ole32 gdi32 user32 kernel32)
target_link_options(VekDll PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)

# The end-to-end tests' probe: reads the program's windows from inside Wine.
add_executable(vekprobe tests/e2e/probe/probe.cpp)
target_link_options(vekprobe PRIVATE -static -s)

# The search-order test's stand-in library (see tests/e2e/test_dll_search.py).
add_library(vekmarker SHARED tests/e2e/marker/marker.c)
set_target_properties(vekmarker PROPERTIES PREFIX "" OUTPUT_NAME vekmarker)
# No C runtime: it would import msvcrt.dll, one of the names it stands in for.
target_link_options(vekmarker PRIVATE -nostdlib -s -Wl,--entry,_DllMain@12)
target_link_libraries(vekmarker PRIVATE kernel32)
add_executable(vekimports tests/e2e/marker/imports.c)
target_link_libraries(vekimports PRIVATE ole32 gdi32 user32 kernel32)
target_link_options(vekimports PRIVATE -static -s)
