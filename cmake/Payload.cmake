# The payload set embedded in VekDll.exe: built from Debian's sources by
# tools/payload/build.sh (cached outside the source tree), or, for a
# packager, taken from -DVEK_PAYLOAD_DIR=<folder>. Either way every file is
# validated before the executable is linked, and a change to any of them
# rebuilds the executable.
set(VEK_PAYLOAD_DIR "" CACHE PATH
    "Folder with the seven payload DLLs to embed instead of the ones built from source")
set(VEK_PAYLOAD_NAMES
  libxml2.dll libxmlsec.dll libxmlsec-openssl.dll libxslt.dll midas.dll zlib1.dll iconv.dll)

if(VEK_PAYLOAD_DIR)
  get_filename_component(VEK_PAYLOAD_USED "${VEK_PAYLOAD_DIR}" ABSOLUTE)
  foreach(name IN LISTS VEK_PAYLOAD_NAMES)
    if(NOT EXISTS "${VEK_PAYLOAD_USED}/${name}")
      message(FATAL_ERROR "VEK_PAYLOAD_DIR: ${VEK_PAYLOAD_USED}/${name} is missing")
    endif()
  endforeach()
else()
  message(STATUS "Payload set: building from Debian's sources (cached after the first time)")
  execute_process(
    COMMAND ${CMAKE_SOURCE_DIR}/tools/payload/build.sh
    OUTPUT_VARIABLE VEK_PAYLOAD_USED
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE built)
  if(NOT built EQUAL 0)
    message(FATAL_ERROR "Building the payload set failed (see above)")
  endif()
endif()
message(STATUS "Payload set: ${VEK_PAYLOAD_USED}")

set(VEK_PAYLOAD_FILES "")
foreach(name IN LISTS VEK_PAYLOAD_NAMES)
  list(APPEND VEK_PAYLOAD_FILES "${VEK_PAYLOAD_USED}/${name}")
endforeach()
if(EXISTS "${VEK_PAYLOAD_USED}/manifest.txt")
  file(READ "${VEK_PAYLOAD_USED}/manifest.txt" manifest)
  if(manifest MATCHES "placeholder")
    message(WARNING "midas.dll is our PLACEHOLDER, not the licensed library: replace it "
                    "before distribution (VEK_MIDAS_DLL=<file> or -DVEK_PAYLOAD_DIR=<folder>)")
  endif()
endif()

set(VEK_PAYLOAD_STAMP ${CMAKE_BINARY_DIR}/payload/validated.stamp)
add_custom_command(
  OUTPUT ${VEK_PAYLOAD_STAMP}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/payload/validate.py ${VEK_PAYLOAD_USED}
  COMMAND ${CMAKE_COMMAND} -E touch ${VEK_PAYLOAD_STAMP}
  DEPENDS ${VEK_PAYLOAD_FILES} ${CMAKE_SOURCE_DIR}/tools/payload/validate.py
  COMMENT "Validating the payload set")
add_custom_target(vekpayload DEPENDS ${VEK_PAYLOAD_STAMP})

configure_file(app/payload/Payloads.rc.in ${CMAKE_BINARY_DIR}/payload/Payloads.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/payload/Payloads.rc PROPERTIES
  OBJECT_DEPENDS "${VEK_PAYLOAD_FILES};${VEK_PAYLOAD_STAMP}")
file(WRITE ${CMAKE_BINARY_DIR}/payload/folder.txt "${VEK_PAYLOAD_USED}\n")
