# Warnings and sanitizers live on one INTERFACE target that every target links, so
# nothing touches the global flags.
option(CORVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CORVANE_TSAN "Build with ThreadSanitizer (not together with CORVANE_SANITIZE)" OFF)
option(CORVANE_WERROR "Treat warnings as errors (CI builds with it)" OFF)
option(CORVANE_SIMD "Use vector instructions (OFF builds the scalar fallbacks of platform/core/Simd.h)" ON)

add_library(corvane_options INTERFACE)
target_compile_options(corvane_options INTERFACE -Wall -Wextra)
if(CORVANE_WERROR)
  target_compile_options(corvane_options INTERFACE -Werror)
endif()
if(NOT CORVANE_SIMD)
  target_compile_definitions(corvane_options INTERFACE CORVANE_NO_SIMD)
endif()
if(CORVANE_SANITIZE)
  target_compile_options(corvane_options INTERFACE -fsanitize=address,undefined
                                                   -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
  # Tests that limit the address space skip themselves: the sanitizer reserves terabytes.
  target_compile_definitions(corvane_options INTERFACE CORVANE_SANITIZED)
endif()
if(CORVANE_TSAN)
  if(CORVANE_SANITIZE)
    message(FATAL_ERROR "CORVANE_TSAN and CORVANE_SANITIZE cannot be combined")
  endif()
  target_compile_options(corvane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(corvane_options INTERFACE -fsanitize=thread)
  target_compile_definitions(corvane_options INTERFACE CORVANE_SANITIZED)
endif()

# The version lives in the CMake project alone; code includes "corvane/Version.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${PROJECT_BINARY_DIR}/generated/corvane/Version.h @ONLY)
target_include_directories(corvane_options INTERFACE ${PROJECT_BINARY_DIR}/generated)
