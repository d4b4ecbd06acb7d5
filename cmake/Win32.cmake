# VekDll.exe: one self-contained 32-bit GUI executable that imports only
# libraries every Windows has. Built without C++ exceptions and RTTI and
# without the C++ library's allocation functions (platform/win32/Memory.cpp):
# together they would cost more than the whole program.
enable_language(RC)
# The oldest Windows the program runs on, as for the payload set (Vista):
# pinned, so that the headers offer nothing newer whatever the toolchain's
# default; the build's check of the executable refuses an import past it.
add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VEK_SIZE_FLAGS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
target_compile_options(vekplatform PRIVATE ${VEK_SIZE_FLAGS})
target_compile_options(veklogic PRIVATE ${VEK_SIZE_FLAGS})

include(cmake/Payload.cmake)

# The pictures, in the form in which the window paints them, and the icon,
# drawn by our own script.
set(VEK_IMAGES_DIR ${CMAKE_BINARY_DIR}/images)
set(VEK_IMAGES
  ${VEK_IMAGES_DIR}/logo.pixels ${VEK_IMAGES_DIR}/glyph_ok.pixels
  ${VEK_IMAGES_DIR}/glyph_sair.pixels ${VEK_IMAGES_DIR}/vekdll.ico)
add_custom_command(
  OUTPUT ${VEK_IMAGES}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/images/make_images.py ${VEK_IMAGES_DIR}
          LOGO=${VEK_LOGO_SIZE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/images/make_images.py ${CMAKE_SOURCE_DIR}/tools/images/packed.py
  COMMENT "Drawing the logo, glyphs and icon")
add_custom_target(vekimages DEPENDS ${VEK_IMAGES})
configure_file(app/resources/Version.h.in ${VEK_IMAGES_DIR}/Version.h @ONLY)

# The Win32 layer: the platform's interfaces made real, compiled once and
# linked by VekDll.exe, by its own tests and by the search programs, which
# need none of the installer's logic.
add_library(vekwin32 STATIC
  platform/win32/Application.cpp
  platform/win32/Controls.cpp
  platform/win32/DllSearch.cpp
  platform/win32/FileSystem.cpp
  platform/win32/InformationDialog.cpp
  platform/win32/LandingFolder.cpp
  platform/win32/MainForm.cpp
  platform/win32/OpenFile.cpp
  platform/win32/Paint.cpp
  platform/win32/Picture.cpp
  platform/win32/Platform.cpp
  platform/win32/Services.cpp
  platform/win32/SystemError.cpp
  platform/win32/Temporaries.cpp
  platform/win32/WholeFile.cpp
  platform/win32/WidePath.cpp
  platform/win32/WideText.cpp
  platform/win32/WindowClass.cpp
)
target_link_libraries(vekwin32 PUBLIC vekplatform ole32 gdi32 user32 kernel32)
target_compile_options(vekwin32 PRIVATE ${VEK_SIZE_FLAGS} -Wall -Wextra)
# This Windows' library-search functions, looked up at run time; the
# search-order test links a stand-in for Windows that lacks them instead.
add_library(veksearch OBJECT platform/win32/SearchFunctions.cpp)
target_include_directories(veksearch PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(veksearch PRIVATE ${VEK_SIZE_FLAGS} -Wall -Wextra)

add_executable(VekDll WIN32
  app/VekDll.cpp
  platform/win32/Entry.cpp
  app/resources/VekDll.rc
  ${CMAKE_BINARY_DIR}/payload/Payloads.rc
  platform/win32/Memory.cpp
  $<TARGET_OBJECTS:veksearch>
)
add_dependencies(VekDll vekimages vekpayload)
set_source_files_properties(app/resources/VekDll.rc PROPERTIES OBJECT_DEPENDS "${VEK_IMAGES}")
target_include_directories(VekDll PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(VekDll PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${VEK_SIZE_FLAGS} -Wall -Wextra>
  $<$<COMPILE_LANGUAGE:RC>:-I${VEK_IMAGES_DIR}>)
target_link_libraries(VekDll PRIVATE veklogic vekwin32)
target_link_options(VekDll PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
# Started at our own entry point, without the C runtime's start-up
# (platform/win32/Entry.cpp). Without that start-up nothing would patch
# data imported from a DLL at run time: the link refuses any instead.
target_link_options(VekDll PRIVATE -nostartfiles -Wl,-e,_VekDllEntry@4
                    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
target_link_options(VekDll PRIVATE -Wl,-Map,${CMAKE_BINARY_DIR}/VekDll.map)
# The resources (the payload set) start on a page boundary in the file, so
# that Wine maps them instead of reading all of them at every start. Then
# the build fails on a static constructor or past the size budget: 64 KB
# besides the payload.
add_custom_command(TARGET VekDll POST_BUILD
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/link/align_resources.py
          $<TARGET_FILE:VekDll>
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/link/check_image.py
          ${CMAKE_BINARY_DIR}/VekDll.map $<TARGET_FILE:VekDll> 65536 ${VEK_PAYLOAD_FILES}
  VERBATIM)

# The end-to-end tests' probe: reads the program's windows from inside Wine.
add_executable(vekprobe harness/probe/probe.cpp)
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

# The Win32 layer's own tests, run under Wine by `ctest --preset win32`:
# GoogleTest from Debian's sources (the googletest package), built with the
# program's compiler. One test executable, run once; it writes its cases to
# win32_tests.xml.
set(VEK_GTEST_DIR /usr/src/googletest/googletest)
if(NOT EXISTS ${VEK_GTEST_DIR}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest's sources are missing from ${VEK_GTEST_DIR}: "
                      "tools/setup-debian.sh installs them (googletest)")
endif()
add_library(vekgtest STATIC EXCLUDE_FROM_ALL ${VEK_GTEST_DIR}/src/gtest-all.cc)
# Our port header first: the compiler's win32 thread model has no std::mutex.
target_include_directories(vekgtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/win32/gtest-port)
target_include_directories(vekgtest PUBLIC ${VEK_GTEST_DIR}/include PRIVATE ${VEK_GTEST_DIR})

add_executable(win32_tests
  ${VEK_GTEST_DIR}/src/gtest_main.cc
  tests/win32/Boxes.cpp
  tests/win32/TestFolder.cpp
  tests/win32/DllSearchTest.cpp
  tests/win32/FileSystemTest.cpp
  tests/win32/LandingFolderTest.cpp
  tests/win32/PathsTest.cpp
  tests/win32/ToolkitTest.cpp
  tests/win32/WholeFileTest.cpp
  tests/win32/Win32Tests.rc
  $<TARGET_OBJECTS:veksearch>
)
target_include_directories(win32_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(win32_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra>)
target_link_libraries(win32_tests PRIVATE vekgtest vekwin32 advapi32)
target_link_options(win32_tests PRIVATE -static)

# The library-search test's two builds of the same program: with this
# Windows' search functions, and with those of Windows without
# SetDefaultDllDirectories; and the library that the test plants beside them
# under system libraries' names.
foreach(variant IN ITEMS modern fallback)
  set(target search_${variant})
  if(variant STREQUAL "modern")
    set(functions $<TARGET_OBJECTS:veksearch>)
  else()
    set(functions tests/win32/LegacySearchFunctions.cpp)
  endif()
  add_executable(${target}
    tests/win32/SearchOrderProgram.cpp
    tests/win32/SearchOrderProgram.rc
    tests/win32/Boxes.cpp
    tests/win32/TestFolder.cpp
    ${functions}
  )
  add_dependencies(${target} vekimages)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${VEK_IMAGES_DIR}>)
  target_link_libraries(${target} PRIVATE vekwin32)
  target_link_options(${target} PRIVATE -static -municode)
endforeach()
set_source_files_properties(tests/win32/SearchOrderProgram.rc PROPERTIES
  OBJECT_DEPENDS "${VEK_IMAGES}")
add_library(planted_library SHARED tests/win32/PlantedLibrary.c)
set_target_properties(planted_library PROPERTIES PREFIX "")
target_link_options(planted_library PRIVATE -nostdlib -s -Wl,--entry,_DllMain@12)
target_link_libraries(planted_library PRIVATE kernel32)
add_dependencies(win32_tests search_modern search_fallback planted_library)

enable_testing()
add_test(NAME win32_layer
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/win32/wine.sh ${CMAKE_BINARY_DIR}/wine-tests
          $<TARGET_FILE:win32_tests> --gtest_output=xml:win32_tests.xml
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(win32_layer PROPERTIES TIMEOUT 1800)
