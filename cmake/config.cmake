# Build-time configuration values (operator endpoints and the like) turned into a generated header.
# The operator's addresses live in config/operator.ini; cmake/operator_config.cmake reads them when present.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(LAUNCHER_GENERATED_SOURCES "")
set(LAUNCHER_RESOURCE_FILES "")
include(${CMAKE_CURRENT_LIST_DIR}/operator_config.cmake OPTIONAL)

# The launcher's own version: the one value a new launcher is built with
# (cmake -DLAUNCHER_VERSION=0.0.2 ...). The manifest's Launcher `ver` must name exactly this
# text; manifest-maker --launcher reads it back out of the built executable.
set(LAUNCHER_VERSION "0.0.1" CACHE STRING "The launcher's version (digits and dots, at most four numbers)")
if(NOT LAUNCHER_VERSION MATCHES "^[0-9]+(\\.[0-9]+)*$")
  message(FATAL_ERROR "LAUNCHER_VERSION '${LAUNCHER_VERSION}' is not digits separated by dots")
endif()
string(REPLACE "." ";" launcher_version_parts "${LAUNCHER_VERSION}")
list(LENGTH launcher_version_parts launcher_version_part_count)
if(launcher_version_part_count GREATER 4)
  message(FATAL_ERROR "LAUNCHER_VERSION ${LAUNCHER_VERSION} has more than four numbers")
endif()
foreach(part IN LISTS launcher_version_parts)
  if(part GREATER 65535)
    message(FATAL_ERROR "LAUNCHER_VERSION ${LAUNCHER_VERSION}: each number must be at most 65535")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/launcher_version_value.h
  CONTENT "#pragma once\n// Generated from the LAUNCHER_VERSION cache value by cmake/config.cmake.\n#define LAUNCHER_VERSION_TEXT \"${LAUNCHER_VERSION}\"\n")
