# Build-time configuration values (operator endpoints and the like) turned into a generated header.
# The operator's addresses live in config/operator.ini; cmake/operator_config.cmake reads them when present.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(LAUNCHER_GENERATED_SOURCES "")
set(LAUNCHER_RESOURCE_FILES "")
include(${CMAKE_CURRENT_LIST_DIR}/operator_config.cmake OPTIONAL)
