# The Windows tree's tests. Every Windows program runs through wine
# (CMAKE_CROSSCOMPILING_EMULATOR) in a prefix of this build tree, and one wine
# server is kept alive for the whole run by a fixture: without it each test waits
# seconds for the server to let go of the test's output.

# A Python that has Debian's PE parser (python3-pefile installs it for the
# system's own interpreter only, which need not be the first python3 on PATH).
function(velmora_python_has_pefile result candidate)
  execute_process(COMMAND ${candidate} -c "import pefile" RESULT_VARIABLE failed
                  OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
find_program(VELMORA_PYTHON NAMES python3 VALIDATOR velmora_python_has_pefile
             PATHS /usr/bin REQUIRED)
if(NOT VELMORA_WINE OR NOT VELMORA_WINESERVER)
  message(FATAL_ERROR "The Windows tests need wine64 and wineserver (Debian package wine64)")
endif()

# GoogleTest built for Windows from the sources Debian ships with libgtest-dev.
find_path(VELMORA_GTEST_SOURCE_DIR googletest/CMakeLists.txt
          PATHS /usr/src/googletest NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELMORA_GTEST_SOURCE_DIR}/googletest googletest EXCLUDE_FROM_ALL)

set(VELMORA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(wine_environment WINEPREFIX=${VELMORA_WINEPREFIX} WINEDEBUG=-all)

# Windows programs carry their runtimes, as the module does, so wine needs no
# search path for the compiler's libraries.
function(velmora_windows_program name)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE velmora_flags)
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

add_test(NAME wine_server_start
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh start ${VELMORA_WINE} ${VELMORA_WINESERVER})
add_test(NAME wine_server_stop
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh stop ${VELMORA_WINE} ${VELMORA_WINESERVER})
set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}")
set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${wine_environment}")

function(velmora_wine_test name)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${wine_environment}")
endfunction()

# The module as a PE file: machine, exports, imports, resource.
add_test(NAME windows_pe_structure
  COMMAND ${VELMORA_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/check_module_pe.py
          $<TARGET_FILE:velmora_module> ${VELMORA_PROPERTY_LIST_FILE})

# A rebuild in another tree gives the same bytes.
get_filename_component(toolchain_file ${CMAKE_TOOLCHAIN_FILE} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
add_test(NAME windows_rebuild_identical
  COMMAND ${CMAKE_COMMAND}
          -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DTOOLCHAIN=${toolchain_file}
          -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/rebuild
          -DMODULE=$<TARGET_FILE:velmora_module>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/rebuild_identical.cmake)

# The module as a host finds it: its property list read through the resource
# functions and walked record by record, its entry resolved by the list's name,
# and GlobalSetup's words equal to the list's.
add_library(velmora_resource_module STATIC resource_module.cpp)
velmora_windows_program(velmora_resource_module)
target_link_libraries(velmora_resource_module PUBLIC velmora_simhost)

add_executable(windows_module_test windows_module_test.cpp)
velmora_windows_program(windows_module_test)
target_link_libraries(windows_module_test PRIVATE velmora_resource_module velmora_simhost GTest::gtest_main)
target_compile_definitions(windows_module_test PRIVATE
  VELMORA_WINDOWS_MODULE="$<TARGET_FILE:velmora_module>")
add_dependencies(windows_module_test velmora_module)
add_test(NAME windows_module_test COMMAND windows_module_test)
velmora_wine_test(windows_module_test)

# The same report from the Windows module under wine and from the native module:
# every command, every pixel format over the settings matrix, the failure paths.
add_executable(windows_module_driver module_driver.cpp module_report.cpp)
velmora_windows_program(windows_module_driver)
target_link_libraries(windows_module_driver PRIVATE velmora_resource_module velmora_simhost)
add_dependencies(windows_module_driver velmora_module)

set(VELMORA_NATIVE_BUILD_DIR "" CACHE PATH
    "A native build tree of this project whose module the Windows module must match")
if(VELMORA_NATIVE_BUILD_DIR)
  set(report_dir ${CMAKE_CURRENT_BINARY_DIR}/reports)
  file(MAKE_DIRECTORY ${report_dir})
  add_test(NAME windows_report
    COMMAND windows_module_driver $<TARGET_FILE:velmora_module> ${report_dir}/windows.txt)
  velmora_wine_test(windows_report)
  set_tests_properties(windows_report PROPERTIES FIXTURES_SETUP windows_report)
  add_test(NAME windows_matches_native
    COMMAND ${CMAKE_COMMAND}
            -DNATIVE_DRIVER=${VELMORA_NATIVE_BUILD_DIR}/tests/windows/module_driver
            -DNATIVE_MODULE=${VELMORA_NATIVE_BUILD_DIR}/host/Trevane_Velmora.so
            -DNATIVE_REPORT=${report_dir}/native.txt
            -DWINDOWS_REPORT=${report_dir}/windows.txt
            -P ${CMAKE_CURRENT_SOURCE_DIR}/compare_reports.cmake)
  set_tests_properties(windows_matches_native PROPERTIES FIXTURES_REQUIRED windows_report)
else()
  message(STATUS "VELMORA_NATIVE_BUILD_DIR not set: the Windows module is not compared with the native one")
endif()
include(differential.cmake)

# The golden outputs of the Windows module under wine, against the files the
# native module is checked against (tests/golden): not only the same as the
# native build, but the same as every build before.
set(golden_source_dir ${PROJECT_SOURCE_DIR}/tests/golden)
add_executable(windows_golden_driver ${golden_source_dir}/golden_driver.cpp
               ${golden_source_dir}/table_goldens.cpp ${golden_source_dir}/frame_goldens.cpp)
velmora_windows_program(windows_golden_driver)
target_link_libraries(windows_golden_driver PRIVATE velmora_resource_module velmora_simhost
                      velmora_engine)
add_dependencies(windows_golden_driver velmora_module)
set(golden_dir ${CMAKE_CURRENT_BINARY_DIR}/goldens)
file(MAKE_DIRECTORY ${golden_dir})
add_test(NAME windows_golden_report
  COMMAND windows_golden_driver $<TARGET_FILE:velmora_module> ${golden_dir})
velmora_wine_test(windows_golden_report)
set_tests_properties(windows_golden_report PROPERTIES FIXTURES_SETUP windows_goldens)
add_test(NAME windows_matches_goldens
  COMMAND ${CMAKE_COMMAND} -DOUTPUT_DIR=${golden_dir} -DSTORED_DIR=${golden_source_dir}/data
          -P ${golden_source_dir}/goldens.cmake)
set_tests_properties(windows_matches_goldens PROPERTIES FIXTURES_REQUIRED windows_goldens)
