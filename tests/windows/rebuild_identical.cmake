# Builds the Windows module again, in a tree of its own at another path, and
# requires the very same bytes as the module under test: a rebuild of the same
# sources must not change the shipped file.
#
#   cmake -DSOURCE_DIR=... -DTOOLCHAIN=... -DBUILD_TYPE=... -DWORK_DIR=... -DMODULE=...
#         [-DOFX_BINARY=<Win64 Velmora.ofx>] -P rebuild_identical.cmake
#
# With OFX_BINARY the OFX bundle's binary is rebuilt and compared as well.

set(targets velmora_module)
if(DEFINED OFX_BINARY)
  list(APPEND targets velmora_ofx)
endif()
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
  COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR} --target ${targets} -j 2
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
if(DEFINED OFX_BINARY)
  file(SHA256 ${OFX_BINARY} first)
  file(SHA256 ${WORK_DIR}/ofx/Velmora.ofx.bundle/Contents/Win64/Velmora.ofx second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "the rebuilt OFX binary differs: ${first} (${OFX_BINARY}) against ${second}")
  endif()
  message(STATUS "rebuilt OFX binary identical, sha256 ${first}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
