# ASan + UBSan for the whole build when PEEKBOX_SANITIZE is on; the test command uses it.
# ThreadSanitizer when PEEKBOX_TSAN is on (scripts/tsan); the two cannot share a process.
if(PEEKBOX_SANITIZE AND PEEKBOX_TSAN)
  message(FATAL_ERROR "PEEKBOX_SANITIZE and PEEKBOX_TSAN exclude each other: use two build trees")
endif()
if(PEEKBOX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(PEEKBOX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
