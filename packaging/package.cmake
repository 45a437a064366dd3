# Builds the release from the Windows module into a folder of its own:
#   Velmora-<version>-win64-setup.exe   the installer (installer.nsi)
#   Velmora-<version>-win64.zip         the module, README.txt and COPYRIGHT.txt
#   SHA256SUMS                          for both, in the form `sha256sum -c` reads
#
#   cmake -DMODULE=<Trevane_Velmora.aex> -DDIST=<folder> -P packaging/package.cmake
#
# The version is the module's own, read from its identity header. Only a test that
# needs an earlier release to upgrade from passes VERSION.

cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/version.cmake)

if(NOT DEFINED MODULE OR NOT DEFINED DIST)
  message(FATAL_ERROR "usage: cmake -DMODULE=<module> -DDIST=<folder> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT EXISTS ${MODULE})
  message(FATAL_ERROR "No module at ${MODULE}: build it first (make windows)")
endif()
if(DEFINED VERSION)
  set(BUILD 0)
else()
  velmora_release_version(VERSION BUILD)
endif()
find_program(MAKENSIS makensis REQUIRED)

set(release Velmora-${VERSION}-win64)
# Only this run's files, so that the checksums cover exactly what the folder holds.
file(REMOVE_RECURSE ${DIST})

# The zip unpacks into one folder named like itself. Its texts get Windows line ends.
set(staging ${DIST}/staging)
configure_file(${MODULE} ${staging}/${release}/Trevane_Velmora.aex COPYONLY)
foreach(text README.txt COPYRIGHT.txt)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${text} ${staging}/${release}/${text}
                 @ONLY NEWLINE_STYLE WIN32)
endforeach()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${DIST}/${release}.zip --format=zip ${release}
  WORKING_DIRECTORY ${staging}
  COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${staging})

execute_process(
  COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${VERSION} -DBUILD=${BUILD} -DMODULE=${MODULE}
          -DOUTFILE=${DIST}/${release}-setup.exe ${CMAKE_CURRENT_LIST_DIR}/installer.nsi
  COMMAND_ERROR_IS_FATAL ANY)

set(sums "")
foreach(file ${release}-setup.exe ${release}.zip)
  file(SHA256 ${DIST}/${file} hash)
  string(APPEND sums "${hash}  ${file}\n")
endforeach()
file(WRITE ${DIST}/SHA256SUMS "${sums}")
message(STATUS "Release ${VERSION} in ${DIST}:\n${sums}")
