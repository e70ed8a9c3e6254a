# The Windows build: the bindings, Perinax.exe, and the tests that run under Wine.

add_library(perinax_win32 STATIC ${binding_sources})
target_include_directories(perinax_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(perinax_win32 PUBLIC perinax_logic ole32 oleaut32 wbemuuid shell32 advapi32)
target_compile_definitions(perinax_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)

add_executable(Perinax WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp)
target_link_libraries(Perinax PRIVATE perinax_win32)
target_link_options(Perinax PRIVATE -municode)

# Wine prefixes, made once per test run and shared by every Windows test.
set(PERINAX_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
foreach(arch win64 win32)
  add_test(NAME wine_prefix_${arch}
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/make-wine-prefix.sh ${PERINAX_WINE_ROOT}/${arch} ${arch})
  set_tests_properties(wine_prefix_${arch} PROPERTIES FIXTURES_SETUP wine_${arch} TIMEOUT 300)
  add_test(NAME wine_stop_${arch}
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/stop-wine-prefix.sh ${PERINAX_WINE_ROOT}/${arch})
  set_tests_properties(wine_stop_${arch} PROPERTIES FIXTURES_CLEANUP wine_${arch})
endforeach()

# Adds a test that runs a Windows program once in each prefix.
function(perinax_add_wine_test name target)
  foreach(arch win64 win32)
    add_test(NAME ${name}_${arch} COMMAND ${target} ${ARGN})
    set_tests_properties(${name}_${arch} PROPERTIES
      FIXTURES_REQUIRED wine_${arch}
      ENVIRONMENT "WINEPREFIX=${PERINAX_WINE_ROOT}/${arch};WINEDEBUG=-all;PERINAX_WINE_ARCH=${arch}"
      TIMEOUT 600)
  endforeach()
endfunction()

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tests/windows)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()
