# The Windows executable's own description: an application manifest (run as the invoking
# user, the Windows versions it was made for) and a version resource. Both take the version
# from the caption bytes in src/startup/launcher_version.cpp, so the resource and the text
# the program shows cannot disagree.
if(NOT WIN32)
  return()
endif()
enable_language(RC)
set(version_source ${CMAKE_CURRENT_SOURCE_DIR}/src/startup/launcher_version.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${version_source})
file(STRINGS ${version_source} version_line REGEX "\"LAUNCHER VER:[0-9]+(\\.[0-9]+)*\"")
if(NOT version_line MATCHES "\"LAUNCHER VER:([0-9]+(\\.[0-9]+)*)\"")
  message(FATAL_ERROR "${version_source}: no \"LAUNCHER VER:<digits and dots>\" caption")
endif()
set(LAUNCHER_VERSION_TEXT ${CMAKE_MATCH_1})
string(REPLACE "." ";" version_parts "${LAUNCHER_VERSION_TEXT}")
list(LENGTH version_parts part_count)
if(part_count GREATER 4)
  message(FATAL_ERROR "launcher version ${LAUNCHER_VERSION_TEXT} has more than four numbers")
endif()
while(part_count LESS 4)
  list(APPEND version_parts 0)
  math(EXPR part_count "${part_count} + 1")
endwhile()
string(REPLACE ";" "," LAUNCHER_VERSION_COMMAS "${version_parts}")
string(REPLACE ";" "." LAUNCHER_VERSION_DOTTED "${version_parts}")

set(exe_info_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/exe_info/launcher.manifest.in ${exe_info_dir}/launcher.manifest @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/exe_info/launcher_exe_info.rc.in ${exe_info_dir}/launcher_exe_info.rc @ONLY)
set_source_files_properties(${exe_info_dir}/launcher_exe_info.rc PROPERTIES
  OBJECT_DEPENDS ${exe_info_dir}/launcher.manifest)
list(APPEND LAUNCHER_RESOURCE_FILES ${exe_info_dir}/launcher_exe_info.rc)
