# GoogleTest for the Win32 layer's tests: from Debian's sources (the
# googletest package), built with the program's compiler.
set(VEK_GTEST_DIR /usr/src/googletest/googletest)
if(NOT EXISTS ${VEK_GTEST_DIR}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest's sources are missing from ${VEK_GTEST_DIR}: "
                      "tools/setup-debian.sh installs them (googletest)")
endif()
add_library(vekgtest STATIC EXCLUDE_FROM_ALL ${VEK_GTEST_DIR}/src/gtest-all.cc)
# Our port header first: the compiler's win32 thread model has no std::mutex.
target_include_directories(vekgtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/win32/gtest-port)
target_include_directories(vekgtest PUBLIC ${VEK_GTEST_DIR}/include PRIVATE ${VEK_GTEST_DIR})
