# The facts that the build and the test harness share with the program, read
# from the program's data files (app/payload/Payloads.def,
# app/ControlesPrincipal.def, platform/Resources.h) by the C preprocessor,
# through cmake/ProductFacts.c, so that each is written once.
# Sets VEK_PAYLOAD_NAMES, VEK_PAYLOAD_RESOURCES (the resource name of each:
# the file name in lower case without dots and hyphens, as the program
# derives it), VEK_RESOURCE_TYPE and VEK_LOGO_SIZE (WIDTHxHEIGHT), and writes
# build/.../harness.json for the Python tests and benchmarks.
set(facts_sources
  ${CMAKE_SOURCE_DIR}/cmake/ProductFacts.c
  ${CMAKE_SOURCE_DIR}/platform/Resources.h
  ${CMAKE_SOURCE_DIR}/app/payload/Payloads.def
  ${CMAKE_SOURCE_DIR}/app/ControlesPrincipal.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${facts_sources})

execute_process(
  COMMAND ${CMAKE_C_COMPILER} -E -P -I${CMAKE_SOURCE_DIR} -x c ${CMAKE_SOURCE_DIR}/cmake/ProductFacts.c
  OUTPUT_VARIABLE facts_text
  RESULT_VARIABLE facts_failed)
if(facts_failed)
  message(FATAL_ERROR "cmake/ProductFacts.c: the preprocessor failed")
endif()

set(VEK_PAYLOAD_NAMES "")
set(VEK_PAYLOAD_RESOURCES "")
set(VEK_RESOURCE_TYPE "")
set(VEK_LOGO_SIZE "")
set(payload_rows "")
set(control_rows "")
string(REPLACE "\n" ";" facts_lines "${facts_text}")
foreach(line IN LISTS facts_lines)
  separate_arguments(fields UNIX_COMMAND "${line}")
  list(LENGTH fields count)
  if(count EQUAL 0)
    continue()
  endif()
  list(GET fields 0 kind)
  list(GET fields 1 value)
  if(kind STREQUAL "payload")
    string(TOLOWER "${value}" resource)
    string(REPLACE "." "" resource "${resource}")
    string(REPLACE "-" "" resource "${resource}")
    list(APPEND VEK_PAYLOAD_NAMES "${value}")
    list(APPEND VEK_PAYLOAD_RESOURCES "${resource}")
    list(APPEND payload_rows "    {\"file\": \"${value}\", \"resource\": \"${resource}\"}")
  elseif(kind STREQUAL "control")
    list(GET fields 2 id)
    list(APPEND control_rows "    \"${value}\": ${id}")
  elseif(kind STREQUAL "resource_type")
    set(VEK_RESOURCE_TYPE "${value}")
  elseif(kind STREQUAL "logo_side")
    set(VEK_LOGO_SIZE "${value}x${value}")
  else()
    message(FATAL_ERROR "cmake/ProductFacts.c: unknown fact \"${line}\"")
  endif()
endforeach()
if(NOT VEK_PAYLOAD_NAMES OR NOT control_rows OR NOT VEK_RESOURCE_TYPE OR NOT VEK_LOGO_SIZE)
  message(FATAL_ERROR "cmake/ProductFacts.c: payloads, control ids, resource type or logo size missing")
endif()

list(JOIN payload_rows ",\n" payload_json)
list(JOIN control_rows ",\n" control_json)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/harness.json CONTENT
"{
  \"resource_type\": \"${VEK_RESOURCE_TYPE}\",
  \"payloads\": [
${payload_json}
  ],
  \"controls\": {
${control_json}
  }
}
" @ONLY)
