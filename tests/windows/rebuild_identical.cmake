# Builds the Windows module again, in a tree of its own at another path, and
# requires the very same bytes as the module under test: a rebuild of the same
# sources must not change the shipped file.
#
#   cmake -DSOURCE_DIR=... -DTOOLCHAIN=... -DBUILD_TYPE=... -DWORK_DIR=... -DMODULE=...
#         -P rebuild_identical.cmake

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}
          -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
          -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=OFF
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "configuring the second tree failed:\n${errors}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR} --target velmora_module -j 2
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "building the second module failed:\n${errors}")
endif()

file(SHA256 ${MODULE} first)
file(SHA256 ${WORK_DIR}/host/Trevane_Velmora.aex second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "the rebuilt module differs: ${first} (${MODULE}) against ${second}")
endif()
message(STATUS "rebuilt module identical, sha256 ${first}")
file(REMOVE_RECURSE ${WORK_DIR})
