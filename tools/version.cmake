# The tools' version resource, which allow-listing and inventory tools read:
# the project's version (from perinax_version.h, as Perinax.exe's), the tool's
# description, internal and file name, and the licence's copyright line and
# authors. One template, tools/version.rc.in, made for each tool and checked in
# the built image by a test of its own.
#   perinax_tool_version(TARGET INTERNAL_NAME FILE_NAME DESCRIPTION)
enable_language(RC)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/tools/version.rc.in ${CMAKE_SOURCE_DIR}/LICENSE)
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE PERINAX_COPYRIGHT REGEX "^Copyright \\(c\\) [0-9]+ .+$")
list(LENGTH PERINAX_COPYRIGHT copyright_lines)
if(NOT copyright_lines EQUAL 1)
  message(FATAL_ERROR "LICENSE no longer holds one line \"Copyright (c) YEAR AUTHORS\"")
endif()
string(REGEX REPLACE "^Copyright \\(c\\) [0-9]+ " "" PERINAX_AUTHORS "${PERINAX_COPYRIGHT}")

function(perinax_tool_version target internal_name file description)
  set(dir ${CMAKE_BINARY_DIR}/resources/${target})
  configure_file(${CMAKE_SOURCE_DIR}/tools/version.rc.in ${dir}/version.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/version.rc)
  target_link_libraries(${target} PRIVATE perinax_version)
  set_source_files_properties(${dir}/version.rc PROPERTIES
    OBJECT_DEPENDS ${PERINAX_VERSION_DIR}/perinax_version.h)

  add_test(NAME ${target}_version_check
           COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-version-resource.sh $<TARGET_FILE:${target}>
                   ${CMAKE_RC_COMPILER} ${PROJECT_VERSION} ${internal_name} ${file} "${description}"
                   ${CMAKE_SOURCE_DIR}/LICENSE)
  set_tests_properties(${target}_version_check PROPERTIES TIMEOUT 60)
endfunction()
