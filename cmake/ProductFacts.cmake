# The facts that the build and the test harness share with the program, read
# from the program's own tables so that each is written once:
#   app/payload/Payloads.h    the payloads (file and resource names, in order)
#                             and their resource type
#   app/LayoutPrincipal.h     the ids of the main form's controls
#   app/LayoutPrincipal.cpp   the size of the picture that shows the logo
# Sets VEK_PAYLOAD_NAMES, VEK_PAYLOAD_RESOURCES, VEK_RESOURCE_TYPE and
# VEK_LOGO_SIZE (WIDTHxHEIGHT), and writes build/.../harness.json for the
# Python tests and benchmarks.
set(payloads_h ${CMAKE_SOURCE_DIR}/app/payload/Payloads.h)
set(layout_h ${CMAKE_SOURCE_DIR}/app/LayoutPrincipal.h)
set(layout_cpp ${CMAKE_SOURCE_DIR}/app/LayoutPrincipal.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${payloads_h} ${layout_h} ${layout_cpp})

file(STRINGS ${payloads_h} rows REGEX "^ *\\{\"[^\"]+\", \"[^\"]+\"\\},")
set(VEK_PAYLOAD_NAMES "")
set(VEK_PAYLOAD_RESOURCES "")
set(payload_json "")
foreach(row IN LISTS rows)
  string(REGEX MATCH "\\{\"([^\"]+)\", \"([^\"]+)\"\\}" _ "${row}")
  set(file_name "${CMAKE_MATCH_1}")
  set(resource_name "${CMAKE_MATCH_2}")
  # The resource name is the file name in lower case without dots and hyphens.
  string(TOLOWER "${file_name}" expected)
  string(REGEX REPLACE "[.-]" "" expected "${expected}")
  if(NOT resource_name STREQUAL expected)
    message(FATAL_ERROR "Payloads.h: ${file_name} must be stored as ${expected}, not ${resource_name}")
  endif()
  list(APPEND VEK_PAYLOAD_NAMES "${file_name}")
  list(APPEND VEK_PAYLOAD_RESOURCES "${resource_name}")
  string(APPEND payload_json "    {\"file\": \"${file_name}\", \"resource\": \"${resource_name}\"},\n")
endforeach()
if(NOT VEK_PAYLOAD_NAMES)
  message(FATAL_ERROR "Payloads.h: no payload rows found")
endif()

file(STRINGS ${payloads_h} type_line REGEX "kTipoRecursoDll\\[\\] = \"[^\"]+\"")
string(REGEX MATCH "\"([^\"]+)\"" _ "${type_line}")
set(VEK_RESOURCE_TYPE "${CMAKE_MATCH_1}")
if(NOT VEK_RESOURCE_TYPE)
  message(FATAL_ERROR "Payloads.h: kTipoRecursoDll not found")
endif()

file(STRINGS ${layout_h} control_rows REGEX "^  [A-Za-z0-9]+ = [0-9]+,")
set(control_json "")
foreach(row IN LISTS control_rows)
  string(REGEX MATCH "([A-Za-z0-9]+) = ([0-9]+)" _ "${row}")
  string(APPEND control_json "    \"${CMAKE_MATCH_1}\": ${CMAKE_MATCH_2},\n")
endforeach()
if(NOT control_json)
  message(FATAL_ERROR "LayoutPrincipal.h: no control ids found")
endif()

# The logo is made at the size of its control (id, kind, parent, left, top,
# width, height, ... image).
set(picture_row "ControlKind::Picture, +[A-Za-z0-9]+, +[0-9]+, +[0-9]+, +([0-9]+), +([0-9]+),.*\"LOGO\"")
file(STRINGS ${layout_cpp} logo_row REGEX "${picture_row}")
string(REGEX MATCH "${picture_row}" _ "${logo_row}")
if(NOT CMAKE_MATCH_1 OR NOT CMAKE_MATCH_2)
  message(FATAL_ERROR "LayoutPrincipal.cpp: no picture control showing \"LOGO\"")
endif()
set(VEK_LOGO_SIZE "${CMAKE_MATCH_1}x${CMAKE_MATCH_2}")

string(REGEX REPLACE ",\n$" "\n" payload_json "${payload_json}")
string(REGEX REPLACE ",\n$" "\n" control_json "${control_json}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/harness.json CONTENT
"{
  \"resource_type\": \"${VEK_RESOURCE_TYPE}\",
  \"payloads\": [
${payload_json}  ],
  \"controls\": {
${control_json}  }
}
" @ONLY)
