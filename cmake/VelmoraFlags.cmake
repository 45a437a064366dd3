# Compiler flags for every target of the project, in one place.
#
# Exactness is the product: strict IEEE arithmetic, no contraction into fused
# multiply-add, never fast math. Warnings are errors.

add_library(velmora_flags INTERFACE)
target_compile_features(velmora_flags INTERFACE cxx_std_17)
target_compile_options(velmora_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror
  -ffp-contract=off -fno-fast-math)

set(VELMORA_SANITIZE "" CACHE STRING "Sanitizers for test builds: '', 'address' (with undefined) or 'thread'")
set_property(CACHE VELMORA_SANITIZE PROPERTY STRINGS "" address thread)
if(VELMORA_SANITIZE STREQUAL "address")
  target_compile_options(velmora_flags INTERFACE
    -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(velmora_flags INTERFACE -fsanitize=address,undefined,float-cast-overflow)
elseif(VELMORA_SANITIZE STREQUAL "thread")
  target_compile_options(velmora_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(velmora_flags INTERFACE -fsanitize=thread)
elseif(NOT VELMORA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VELMORA_SANITIZE must be empty, 'address' or 'thread'")
endif()
