# The tools carry the launcher's application manifest under their own name:
# asInvoker (without it, an unelevated run gets file-system virtualisation and
# a --log under C:\Program Files lands in the user's VirtualStore), the Windows
# versions from Vista to 11 and the project's version. Each manifest is checked
# in the built image by a test of its own.
# A program that cannot do its work without the administrator's rights names its level.
#   perinax_tool_manifest(TARGET NAME DESCRIPTION [LEVEL])
enable_language(RC)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/app/perinax.manifest.in)

function(perinax_tool_manifest target name description)
  file(READ ${CMAKE_SOURCE_DIR}/app/perinax.manifest.in manifest)
  set(identity "name=\"Perinax\"")
  set(label "<description>Perinax setup launcher</description>")
  foreach(text IN ITEMS "${identity}" "${label}")
    string(FIND "${manifest}" "${text}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "app/perinax.manifest.in no longer holds ${text}")
    endif()
  endforeach()
  string(REPLACE "${identity}" "name=\"${name}\"" manifest "${manifest}")
  string(REPLACE "${label}" "<description>${description}</description>" manifest "${manifest}")
  set(level asInvoker)
  if(ARGC GREATER 3)
    set(level ${ARGV3})
    string(REPLACE "level=\"asInvoker\"" "level=\"${level}\"" manifest "${manifest}")
  endif()

  set(dir ${CMAKE_BINARY_DIR}/manifests/${target})
  file(CONFIGURE OUTPUT ${dir}/${target}.manifest CONTENT "${manifest}" @ONLY)
  # CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST
  file(CONFIGURE OUTPUT ${dir}/${target}.rc CONTENT "1 24 \"${target}.manifest\"\n")
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  target_include_directories(${target} PRIVATE ${dir})
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${dir}/${target}.manifest)

  add_test(NAME ${target}_manifest_check
           COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-manifest.sh $<TARGET_FILE:${target}>
                   ${CMAKE_RC_COMPILER} ${PROJECT_VERSION} ${name} ${level})
  set_tests_properties(${target}_manifest_check PROPERTIES TIMEOUT 60)
endfunction()
