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
  OBJECT_DEPENDS "${VEK_IMAGES};${VEK_LAYER_RC}")
add_library(planted_library SHARED tests/win32/PlantedLibrary.c)
set_target_properties(planted_library PROPERTIES PREFIX "")
target_link_options(planted_library PRIVATE -nostdlib -s -Wl,--entry,_DllMain@12)
target_link_libraries(planted_library PRIVATE kernel32)
