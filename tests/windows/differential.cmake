# Differential test: random renders from the Windows module under wine and from
# the native module, compared byte for byte through compare_reports.cmake. The
# native tree builds `differential_driver`; the Windows tree builds its twin,
# runs it under wine and compares with the native tree's.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(differential_driver differential_driver.cpp differential_report.cpp)
  target_include_directories(differential_driver PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(differential_driver PRIVATE velmora_simhost velmora_flags)
  add_dependencies(differential_driver velmora_module)
  return()
endif()

add_executable(windows_differential_driver differential_driver.cpp differential_report.cpp)
velmora_windows_program(windows_differential_driver)
target_link_libraries(windows_differential_driver PRIVATE velmora_resource_module velmora_simhost)
add_dependencies(windows_differential_driver velmora_module)

if(VELMORA_NATIVE_BUILD_DIR)
  set(differential_dir ${CMAKE_CURRENT_BINARY_DIR}/differential)
  file(MAKE_DIRECTORY ${differential_dir})
  add_test(NAME windows_differential_report
    COMMAND windows_differential_driver $<TARGET_FILE:velmora_module>
            ${differential_dir}/windows.txt)
  velmora_wine_test(windows_differential_report)
  set_tests_properties(windows_differential_report PROPERTIES FIXTURES_SETUP windows_differential)
  add_test(NAME windows_differential_matches_native
    COMMAND ${CMAKE_COMMAND}
            -DNATIVE_DRIVER=${VELMORA_NATIVE_BUILD_DIR}/tests/windows/differential_driver
            -DNATIVE_MODULE=${VELMORA_NATIVE_BUILD_DIR}/host/Trevane_Velmora.so
            -DNATIVE_REPORT=${differential_dir}/native.txt
            -DWINDOWS_REPORT=${differential_dir}/windows.txt
            -P ${CMAKE_CURRENT_SOURCE_DIR}/compare_reports.cmake)
  set_tests_properties(windows_differential_matches_native PROPERTIES
    FIXTURES_REQUIRED windows_differential)
endif()
