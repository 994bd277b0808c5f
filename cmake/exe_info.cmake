# The Windows executable's own description: an application manifest (run as the invoking
# user, the Windows versions it was made for) and a version resource. Both take the version
# from LAUNCHER_VERSION (cmake/config.cmake), as the caption the program shows does, so the
# resource and that text cannot disagree.
if(NOT WIN32)
  return()
endif()
enable_language(RC)
set(LAUNCHER_VERSION_TEXT ${LAUNCHER_VERSION})
string(REPLACE "." ";" version_parts "${LAUNCHER_VERSION_TEXT}")
list(LENGTH version_parts part_count)
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
