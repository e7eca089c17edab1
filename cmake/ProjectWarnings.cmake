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
