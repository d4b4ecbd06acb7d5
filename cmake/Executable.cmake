# VekDll.exe: one self-contained 32-bit GUI executable that imports only
# libraries every Windows has.
add_executable(VekDll WIN32
  app/VekDll.cpp
  platform/win32/process/Entry.cpp
  app/resources/VekDll.rc
  ${CMAKE_BINARY_DIR}/payload/Payloads.rc
  platform/win32/process/Memory.cpp
  $<TARGET_OBJECTS:veksearch>
)
add_dependencies(VekDll vekimages vekpayload)
set_source_files_properties(app/resources/VekDll.rc PROPERTIES
  OBJECT_DEPENDS "${VEK_IMAGES};${VEK_IMAGES_DIR}/VekDll.manifest;${VEK_LAYER_RC}")
target_include_directories(VekDll PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(VekDll PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${VEK_SIZE_FLAGS}>
  $<$<COMPILE_LANGUAGE:RC>:-I${VEK_IMAGES_DIR}>)
target_link_libraries(VekDll PRIVATE veklogic vekwin32)
target_link_options(VekDll PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
# Started at our own entry point, without the C runtime's start-up
# (platform/win32/process/Entry.cpp). Without that start-up nothing would patch
# data imported from a DLL at run time: the link refuses any instead.
target_link_options(VekDll PRIVATE -nostartfiles -Wl,-e,_VekDllEntry@4
                    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
target_link_options(VekDll PRIVATE -Wl,-Map,${CMAKE_BINARY_DIR}/VekDll.map)
# The resources (the payload set) start on a page boundary in the file, so
# that Wine maps them instead of reading all of them at every start. Then
# the build fails on a static constructor or past the size budget: 64 KB
# besides the payload.
add_custom_command(TARGET VekDll POST_BUILD
  COMMAND ${VEK_PYTHON} ${CMAKE_SOURCE_DIR}/tools/link/align_resources.py
          $<TARGET_FILE:VekDll>
  COMMAND ${VEK_PYTHON} ${CMAKE_SOURCE_DIR}/tools/link/check_image.py
          ${CMAKE_BINARY_DIR}/VekDll.map $<TARGET_FILE:VekDll> 65536 ${VEK_PAYLOAD_FILES}
  VERBATIM)
