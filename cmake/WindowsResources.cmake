# brivo_windows_resources(target DESCRIPTION text): gives a Windows program the program's icon
# (resources/icons/MAINICON.ico), a version resource and a manifest that declares it aware of each
# monitor's dots per inch and makes UTF-8 its code page. Does nothing in other builds.
function(brivo_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
  set(BRIVO_RC_NAME ${target})
  set(BRIVO_RC_DESCRIPTION ${ARG_DESCRIPTION})
  set(BRIVO_RC_ICON ${PROJECT_SOURCE_DIR}/resources/icons/MAINICON.ico)
  set(dir ${CMAKE_BINARY_DIR}/windows-resources/${target})
  set(BRIVO_RC_MANIFEST ${dir}/${target}.exe.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/Program.manifest.in ${BRIVO_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/Program.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  set_property(SOURCE ${dir}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS ${BRIVO_RC_ICON} ${BRIVO_RC_MANIFEST})
endfunction()
