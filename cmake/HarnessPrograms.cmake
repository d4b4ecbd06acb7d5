# The small programs run under Wine beside VekDll.exe, by the harness, the end-to-end tests and the benchmarks.

# The probe: reads the program's windows from inside Wine, for the tests, the run command and the benchmarks.
add_executable(vekprobe harness/probe/probe.cpp)
target_link_options(vekprobe PRIVATE -static -s)

# The search-order test's stand-in library (see tests/e2e/test_dll_search.py).
add_library(vekmarker SHARED tests/e2e/marker/marker.c)
set_target_properties(vekmarker PROPERTIES PREFIX "" OUTPUT_NAME vekmarker)
# No C runtime: it would import msvcrt.dll, one of the names it stands in for.
target_link_options(vekmarker PRIVATE -nostdlib -s -Wl,--entry,_DllMain@12)
target_link_libraries(vekmarker PRIVATE kernel32)
add_executable(vekimports tests/e2e/marker/imports.c)
target_link_libraries(vekimports PRIVATE ole32 gdi32 user32 advapi32 kernel32)
target_link_options(vekimports PRIVATE -static -s)

# The placing's cost with and without its flush (bench/placing.py): the
# Win32 layer's own placing, timed.
add_executable(vekplacing bench/placing/placing.cpp)
target_include_directories(vekplacing PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vekplacing PRIVATE vekwin32)
target_link_options(vekplacing PRIVATE -static -s -municode)
