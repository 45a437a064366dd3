# Compares the golden reports of a module with the stored files, or, with
# UPDATE=ON, stores them; either way it prints what changed.
#
#   cmake [-DDRIVER=<golden_driver> -DMODULE=<module>] -DOUTPUT_DIR=<folder>
#         -DSTORED_DIR=<tests/golden/data> [-DUPDATE=ON] -P goldens.cmake
#
# With DRIVER, the driver first writes the reports into OUTPUT_DIR; without it
# they must be there already (the Windows driver writes them under wine).

set(golden_files tables.txt frames.txt)

if(DRIVER)
  file(REMOVE_RECURSE ${OUTPUT_DIR})
  file(MAKE_DIRECTORY ${OUTPUT_DIR})
  execute_process(COMMAND ${DRIVER} ${MODULE} ${OUTPUT_DIR} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "the golden driver failed: ${failed}")
  endif()
endif()

set(changed "")
foreach(name ${golden_files})
  set(stored ${STORED_DIR}/${name})
  set(written ${OUTPUT_DIR}/${name})
  if(NOT EXISTS ${written})
    message(FATAL_ERROR "no report ${written}")
  endif()
  set(differ 1)
  if(EXISTS ${stored})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${stored} ${written}
                    RESULT_VARIABLE differ)
  else()
    set(stored /dev/null)
  endif()
  if(NOT differ)
    message(STATUS "${name}: unchanged")
    continue()
  endif()
  list(APPEND changed ${name})
  execute_process(COMMAND diff -U0 ${stored} ${written} OUTPUT_VARIABLE difference)
  string(REGEX MATCHALL "\n-[^-\n][^\n]*" removed "\n${difference}")
  string(REGEX MATCHALL "\n\\+[^+\n][^\n]*" added "\n${difference}")
  list(LENGTH removed removed_count)
  list(LENGTH added added_count)
  string(LENGTH "${difference}" length)
  string(SUBSTRING "${difference}" 0 12000 difference)
  if(length GREATER 12000)
    string(APPEND difference "\n... (${length} characters in all)")
  endif()
  message("${name}: ${removed_count} stored lines differ or are gone, ${added_count} lines "
          "written differ or are new (- stored, + written):\n${difference}")
  if(UPDATE)
    file(COPY_FILE ${written} ${STORED_DIR}/${name})
  endif()
endforeach()

if(changed AND UPDATE)
  message(STATUS "rewrote ${changed} in ${STORED_DIR}: review with git diff before committing")
elseif(changed)
  message(FATAL_ERROR "The output differs from the stored goldens in ${changed}. If the change "
                      "is meant, read docs/testing.md on when `make goldens` may rewrite them.")
endif()
