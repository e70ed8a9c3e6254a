# The Windows build: the bindings, Perinax.exe, and the tests that run under Wine.

add_library(perinax_win32 STATIC ${binding_sources})
target_include_directories(perinax_win32 PUBLIC ${CMAKE_SOURCE_DIR})
# Only KERNEL32 is imported: every other system DLL is loaded on purpose, from
# System32, after the DLL search path is fenced (common/system_functions_win32).
target_link_libraries(perinax_win32 PUBLIC perinax_logic wbemuuid)
target_compile_definitions(perinax_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)

# Each program names the import libraries it needs: none is added behind its back.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")

# Perinax.exe: a GUI-subsystem program with a wide entry point, its version
# resource and manifest, built small and byte-for-byte reproducible (no time
# stamp, no symbols), with ASLR and DEP switched on. It compiles the logic and
# the bindings itself, without exceptions or RTTI, so that none of the C++
# runtime's exception support (unwinder, terminate handler, demangler, threads)
# is linked in; the test programs keep using the libraries.
enable_language(RC)
add_executable(Perinax WIN32
  ${CMAKE_SOURCE_DIR}/app/main_win32.cpp ${logic_sources} ${binding_sources}
  ${CMAKE_SOURCE_DIR}/app/perinax.rc)
target_include_directories(Perinax PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(Perinax PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_compile_options(Perinax PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-Os -ffunction-sections -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-tree-loop-distribute-patterns>)
# No default libraries: KERNEL32 is the one DLL it imports, so a call into any
# other (or into the C runtime's DLL) fails to link instead of importing it.
target_link_libraries(Perinax PRIVATE wbemuuid kernel32 gcc)
target_link_options(Perinax PRIVATE -municode -mwindows -nostartfiles -nodefaultlibs
  -Wl,-e,_PerinaxEntry@0 -s -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat
  -Wl,--no-insert-timestamp)
perinax_fence_program(Perinax)
# The version resource and the manifest carry the project's version.
set(version_dir ${PERINAX_VERSION_DIR})
configure_file(${CMAKE_SOURCE_DIR}/app/perinax.manifest.in ${version_dir}/perinax.manifest @ONLY)
target_include_directories(Perinax PRIVATE ${version_dir})
set_source_files_properties(${CMAKE_SOURCE_DIR}/app/perinax.rc PROPERTIES
  OBJECT_DEPENDS "${version_dir}/perinax.manifest;${version_dir}/perinax_version.h")

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
add_subdirectory(examples)
add_dependencies(perinax_windows_tests perinax-demo-msi)

# Perinax.exe as a file: PE32 GUI program, ASLR and DEP, version resource,
# manifest; its imports and load configuration. Run natively, not under Wine.
add_test(NAME perinax_exe_check
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-perinax-exe.sh $<TARGET_FILE:Perinax>
                 ${CMAKE_OBJDUMP} ${CMAKE_RC_COMPILER} ${PROJECT_VERSION})
set_tests_properties(perinax_exe_check PROPERTIES TIMEOUT 60)
add_test(NAME perinax_exe_dll_fence
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-dll-fence.sh $<TARGET_FILE:Perinax>
                 ${CMAKE_OBJDUMP})
# The trace viewer's C runtime DLL is a KnownDLL, always taken from System32.
add_test(NAME trace_viewer_dll_fence
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-dll-fence.sh $<TARGET_FILE:perinax-trace>
                 ${CMAKE_OBJDUMP} msvcrt.dll)
add_test(NAME trace_viewer_console_dll_fence
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-dll-fence.sh
                 $<TARGET_FILE:perinax-trace-console> ${CMAKE_OBJDUMP} msvcrt.dll)
add_test(NAME explainer_dll_fence
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-dll-fence.sh $<TARGET_FILE:perinax-explain>
                 ${CMAKE_OBJDUMP} msvcrt.dll)

# The release package (scripts/make-package.sh): the same bytes from a second
# clean build, signed and checked against a throwaway root, and the signed
# programs run under Wine.
add_test(NAME package_reproducible_check
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-package-reproducible.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package_reproducible_check PROPERTIES TIMEOUT 600)
add_test(NAME package_signing_check
         COMMAND ${CMAKE_SOURCE_DIR}/tests/binary/check-package-signing.sh ${CMAKE_BINARY_DIR}
                 ${CMAKE_OBJDUMP} ${CMAKE_RC_COMPILER} ${PROJECT_VERSION})
set_tests_properties(package_signing_check PROPERTIES
  FIXTURES_REQUIRED wine_win64 ENVIRONMENT "WINEPREFIX=${PERINAX_WINE_ROOT}/win64" TIMEOUT 300)

# The benchmark's floor programs (bench/run.sh); not part of the tests.
add_subdirectory(bench)
