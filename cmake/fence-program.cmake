# Every program of ours that users run from a media folder carries a load
# configuration that keeps the loader's own DLL searches to System32.
function(perinax_fence_program target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/load_config_win32.cpp)
  target_link_options(${target} PRIVATE -Wl,--undefined=__load_config_used
                      -Wl,-Map=$<TARGET_FILE:${target}>.map)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/set-load-config.sh $<TARGET_FILE:${target}>
            $<TARGET_FILE:${target}>.map
    VERBATIM)
endfunction()
