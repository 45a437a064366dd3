# Builds the release from the Windows module into a folder of its own:
#   Velmora-<version>-win64-setup.exe   the installer (installer.nsi)
#   Velmora-<version>-win64.zip         the module, README.txt and COPYRIGHT.txt
#   Velmora-<version>-linux-x86_64.tar.gz  the Linux OFX bundle, README-linux.txt and
#                                       COPYRIGHT.txt (with OFX_LINUX_BUNDLE)
#   SHA256SUMS                          for all, in the form `sha256sum -c` reads
#
#   cmake -DMODULE=<Trevane_Velmora.aex> -DDIST=<folder> [-DOFX_BUNDLE=<Windows
#         Velmora.ofx.bundle>] [-DOFX_LINUX_BUNDLE=<Linux Velmora.ofx.bundle>]
#         -P packaging/package.cmake
#
# With OFX_BUNDLE the installer also installs the OFX bundle and the zip carries it.
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
set(ofx_binary Velmora.ofx.bundle/Contents/Win64/Velmora.ofx)
set(nsis_ofx "")
if(DEFINED OFX_BUNDLE)
  if(NOT EXISTS ${OFX_BUNDLE}/Contents/Win64/Velmora.ofx)
    message(FATAL_ERROR "No Windows OFX binary in ${OFX_BUNDLE}: build it first (make windows)")
  endif()
  configure_file(${OFX_BUNDLE}/Contents/Win64/Velmora.ofx ${staging}/${release}/${ofx_binary}
                 COPYONLY)
  set(nsis_ofx -DOFX_BINARY=${OFX_BUNDLE}/Contents/Win64/Velmora.ofx)
endif()
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
  COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${VERSION} -DBUILD=${BUILD} -DMODULE=${MODULE} ${nsis_ofx}
          -DOUTFILE=${DIST}/${release}-setup.exe ${CMAKE_CURRENT_LIST_DIR}/installer.nsi
  COMMAND_ERROR_IS_FATAL ANY)

set(archives ${release}-setup.exe ${release}.zip)
# The Linux bundle, with a README saying where Linux hosts look for it.
if(DEFINED OFX_LINUX_BUNDLE)
  if(NOT EXISTS ${OFX_LINUX_BUNDLE}/Contents/Linux-x86-64/Velmora.ofx)
    message(FATAL_ERROR "No Linux OFX binary in ${OFX_LINUX_BUNDLE}: build it first (make build)")
  endif()
  set(linux_release Velmora-${VERSION}-linux-x86_64)
  configure_file(${OFX_LINUX_BUNDLE}/Contents/Linux-x86-64/Velmora.ofx
                 ${staging}/${linux_release}/Velmora.ofx.bundle/Contents/Linux-x86-64/Velmora.ofx
                 COPYONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/README-linux.txt
                 ${staging}/${linux_release}/README.txt @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/COPYRIGHT.txt
                 ${staging}/${linux_release}/COPYRIGHT.txt COPYONLY)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar czf ${DIST}/${linux_release}.tar.gz ${linux_release}
    WORKING_DIRECTORY ${staging}
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${staging})
  list(APPEND archives ${linux_release}.tar.gz)
endif()

set(sums "")
foreach(file ${archives})
  file(SHA256 ${DIST}/${file} hash)
  string(APPEND sums "${hash}  ${file}\n")
endforeach()
file(WRITE ${DIST}/SHA256SUMS "${sums}")
message(STATUS "Release ${VERSION} in ${DIST}:\n${sums}")
