# The Win32 layer's own tests, run under Wine by `ctest --preset win32`:
# one test executable, run once; it writes its cases to win32_tests.xml. The
# programs and the library that the library-search test runs and plants are
# built first (SearchPrograms.cmake).
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
set_source_files_properties(tests/win32/Win32Tests.rc PROPERTIES OBJECT_DEPENDS "${VEK_LAYER_RC}")
target_link_libraries(win32_tests PRIVATE vekgtest vekwin32 advapi32)
target_link_options(win32_tests PRIVATE -static)
add_dependencies(win32_tests search_modern search_fallback planted_library)

enable_testing()
add_test(NAME win32_layer
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/win32/wine.sh ${CMAKE_BINARY_DIR}/wine-tests
          $<TARGET_FILE:win32_tests> --gtest_output=xml:win32_tests.xml
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(win32_layer PROPERTIES TIMEOUT 1800)
# Data before name: the placing tests again, under Wine's relay trace, which
# must show a flush of each copy before its rename (tests/win32/flush_order.py).
add_test(NAME win32_flush_before_rename
  COMMAND ${VEK_PYTHON} ${CMAKE_SOURCE_DIR}/tests/win32/flush_order.py
          ${CMAKE_BINARY_DIR}/wine-relay $<TARGET_FILE:win32_tests>
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(win32_flush_before_rename PROPERTIES TIMEOUT 1800)
