# Global sanitizer flags for the whole build tree.
if(PYROLAN_SANITIZER STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(PYROLAN_SANITIZER STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(PYROLAN_FUZZ)
  # Every library gets coverage instrumentation; the fuzz programs add libFuzzer's main when linked.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT PYROLAN_SANITIZER STREQUAL "")
  message(FATAL_ERROR "Unknown PYROLAN_SANITIZER '${PYROLAN_SANITIZER}'")
endif()
