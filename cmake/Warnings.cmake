# Project-wide warning flags, applied to every target through pyrolan_warnings.
add_library(pyrolan_warnings INTERFACE)
target_compile_options(pyrolan_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
  -Wcast-align -Wnull-dereference)
if(PYROLAN_WERROR)
  target_compile_options(pyrolan_warnings INTERFACE -Werror)
endif()
