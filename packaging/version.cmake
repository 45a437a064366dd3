# The release version, read from the header that gives the module its version word
# and its property list, so that file names, the installer and the module agree.
#
#   include(packaging/version.cmake)  then  velmora_release_version(version build)
#   cmake -P packaging/version.cmake                 prints the release version
#   cmake -DWORD=0x80001 -P packaging/version.cmake  prints the version of a word

set(VELMORA_IDENTITY_HEADER ${CMAKE_CURRENT_LIST_DIR}/../host/effect_identity.h)

# "major.minor.patch" and the build number of a host version word: build in bits 0-8,
# patch in 11-14, minor in 15-18, major in 19-21 with its high part from bit 26.
function(velmora_version_of_word word version_out build_out)
  math(EXPR major "((${word} >> 19) & 0x7) | (((${word} >> 26) & 0xF) << 3)")
  math(EXPR minor "(${word} >> 15) & 0xF")
  math(EXPR patch "(${word} >> 11) & 0xF")
  math(EXPR build "${word} & 0x1FF")
  set(${version_out} "${major}.${minor}.${patch}" PARENT_SCOPE)
  set(${build_out} ${build} PARENT_SCOPE)
endfunction()

function(velmora_release_version version_out build_out)
  file(STRINGS ${VELMORA_IDENTITY_HEADER} definition REGEX "kEffectVersion = 0x")
  if(NOT definition MATCHES "kEffectVersion = (0x[0-9A-Fa-f]+)")
    message(FATAL_ERROR "No kEffectVersion word in ${VELMORA_IDENTITY_HEADER}")
  endif()
  velmora_version_of_word(${CMAKE_MATCH_1} version build)
  set(${version_out} ${version} PARENT_SCOPE)
  set(${build_out} ${build} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(DEFINED WORD)
    velmora_version_of_word(${WORD} version build)
  else()
    velmora_release_version(version build)
  endif()
  # Standard output, which message() is not.
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${version})
endif()
