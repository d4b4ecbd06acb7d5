# The Windows build: what all of its targets share. Its parts, one file per
# job, are included after this one (CMakeLists.txt).
enable_language(RC)
# The oldest Windows the program runs on, as for the payload set (Vista):
# pinned, so that the headers offer nothing newer whatever the toolchain's
# default; the build's check of the executable refuses an import past it.
add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600)
# The project's Python (Debian's, with the package vek on its path) runs the
# build's tools.
set(VEK_PYTHON ${CMAKE_SOURCE_DIR}/tools/python)

# The program's code is built without C++ exceptions and RTTI and without
# the C++ library's allocation functions (platform/win32/process/Memory.cpp):
# together they would cost more than the whole program.
set(VEK_SIZE_FLAGS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
target_compile_options(vekplatform PRIVATE ${VEK_SIZE_FLAGS})
target_compile_options(veklogic PRIVATE ${VEK_SIZE_FLAGS})
