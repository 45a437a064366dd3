# Fails unless the module's dynamic symbol table defines exactly one symbol,
# EntryPointFunc: a host finds the effect by that name and must see nothing else.
# EXPECTED names other exports, sorted, for another module (the image-effect bundle).
# Usage: cmake -DNM=<nm> -DMODULE=<module file> [-DEXPECTED=<a;b>] -P module_exports.cmake
if(NOT DEFINED EXPECTED)
  set(EXPECTED "EntryPointFunc")
endif()
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
if(NOT "${names}" STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "exports of ${MODULE}: '${names}', expected only ${EXPECTED}")
endif()
