# Runs the native module through the report and requires the Windows module's
# report, written before under wine, to be the same byte for byte.
#
#   cmake -DNATIVE_DRIVER=... -DNATIVE_MODULE=... -DNATIVE_REPORT=... -DWINDOWS_REPORT=...
#         -P compare_reports.cmake

foreach(input NATIVE_DRIVER NATIVE_MODULE WINDOWS_REPORT)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "${input} '${${input}}' does not exist: build the native tree first")
  endif()
endforeach()

execute_process(COMMAND ${NATIVE_DRIVER} ${NATIVE_MODULE} ${NATIVE_REPORT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the native driver failed: ${failed}")
endif()

file(SIZE ${NATIVE_REPORT} native_size)
file(STRINGS ${NATIVE_REPORT} native_lines)
list(LENGTH native_lines line_count)
if(line_count LESS 100)
  message(FATAL_ERROR "the native report has only ${line_count} lines")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${NATIVE_REPORT} ${WINDOWS_REPORT}
                RESULT_VARIABLE differ)
if(differ)
  execute_process(COMMAND diff ${NATIVE_REPORT} ${WINDOWS_REPORT} OUTPUT_VARIABLE difference)
  string(SUBSTRING "${difference}" 0 6000 difference)
  message(FATAL_ERROR "The Windows module's report differs from the native module's "
                      "(< native, > Windows):\n${difference}")
endif()
message(STATUS "identical reports: ${line_count} lines, ${native_size} bytes")
