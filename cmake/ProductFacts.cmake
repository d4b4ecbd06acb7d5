# The facts that the build and the test harness share with the program, read
# from the program's data files (app/payload/Payloads.def,
# app/ControlesPrincipal.def, platform/Resources.h) by vek.productfacts,
# the one reader, which the payload tools use too. Sets VEK_PAYLOAD_NAMES,
# VEK_PAYLOAD_RESOURCES (the resource that holds each), VEK_RESOURCE_TYPE and
# VEK_LOGO_SIZE (WIDTHxHEIGHT), and writes build/.../harness.json for the
# Python tests and benchmarks.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/python/vek/productfacts.py
  ${CMAKE_SOURCE_DIR}/cmake/ProductFacts.c
  ${CMAKE_SOURCE_DIR}/platform/Resources.h
  ${CMAKE_SOURCE_DIR}/app/payload/Payloads.def
  ${CMAKE_SOURCE_DIR}/app/ControlesPrincipal.def)

execute_process(
  COMMAND ${VEK_PYTHON} -m vek.productfacts ${CMAKE_C_COMPILER}
          ${CMAKE_BINARY_DIR}/harness.json ${CMAKE_BINARY_DIR}/facts.cmake
  RESULT_VARIABLE facts_failed)
if(facts_failed)
  message(FATAL_ERROR "vek.productfacts could not read the program's facts (see above)")
endif()
include(${CMAKE_BINARY_DIR}/facts.cmake)
