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
set(VELMORA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(wine_environment WINEPREFIX=${VELMORA_WINEPREFIX} WINEDEBUG=-all)

add_test(NAME windows_pe_structure
  COMMAND ${VELMORA_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/check_module_pe.py
          $<TARGET_FILE:velmora_module> ${VELMORA_PROPERTY_LIST_FILE})
