# One interface target carries the warning and sanitizer flags, so every module builds under the same rules.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(VORLITH_WERROR)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()
if(VORLITH_SANITIZE)
  target_compile_options(project_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                    -fno-sanitize-recover=undefined)
  target_link_options(project_warnings INTERFACE -fsanitize=address,undefined)
endif()

# The fuzz build: every module gets libFuzzer's coverage instrumentation and the sanitizers, so the fuzzers
# see inside the decoders they drive. The fuzz targets themselves link the libFuzzer driver (fuzz/).
if(VORLITH_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VORLITH_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(project_warnings INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                    -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(project_warnings INTERFACE -fsanitize=address,undefined)
endif()
