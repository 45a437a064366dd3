# The image-effect bundle on Windows. Native tree: the report driver against
# the native bundle. Windows tree: the bundle's binary read by a PE parser, and
# its report under wine, which must equal the native bundle's byte for byte.
set(ofx_report_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/ofx_report_driver.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ofx_report.cpp)

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(ofx_report_driver ${ofx_report_sources})
  target_include_directories(ofx_report_driver PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(ofx_report_driver PRIVATE velmora_simofx velmora_flags)
  add_dependencies(ofx_report_driver velmora_ofx)
  return()
endif()

add_test(NAME windows_ofx_pe_structure
  COMMAND ${VELMORA_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/check_bundle_pe.py
          $<TARGET_FILE:velmora_ofx>)

add_executable(windows_ofx_report_driver ${ofx_report_sources})
velmora_windows_program(windows_ofx_report_driver)
target_link_libraries(windows_ofx_report_driver PRIVATE velmora_simofx)
add_dependencies(windows_ofx_report_driver velmora_ofx)

if(VELMORA_NATIVE_BUILD_DIR)
  set(ofx_report_dir ${CMAKE_CURRENT_BINARY_DIR}/ofx_reports)
  file(MAKE_DIRECTORY ${ofx_report_dir})
  add_test(NAME windows_ofx_report
    COMMAND windows_ofx_report_driver $<TARGET_FILE:velmora_ofx> ${ofx_report_dir}/windows.txt)
  velmora_wine_test(windows_ofx_report)
  set_tests_properties(windows_ofx_report PROPERTIES FIXTURES_SETUP windows_ofx_report)
  add_test(NAME windows_ofx_matches_native
    COMMAND ${CMAKE_COMMAND}
            -DNATIVE_DRIVER=${VELMORA_NATIVE_BUILD_DIR}/tests/windows/ofx_report_driver
            -DNATIVE_MODULE=${VELMORA_NATIVE_BUILD_DIR}/ofx/Velmora.ofx.bundle/Contents/Linux-x86-64/Velmora.ofx
            -DNATIVE_REPORT=${ofx_report_dir}/native.txt
            -DWINDOWS_REPORT=${ofx_report_dir}/windows.txt
            -P ${CMAKE_CURRENT_SOURCE_DIR}/compare_reports.cmake)
  set_tests_properties(windows_ofx_matches_native PROPERTIES FIXTURES_REQUIRED windows_ofx_report)
endif()
