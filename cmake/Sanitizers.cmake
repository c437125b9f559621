# ASan + UBSan for the whole build when PEEKBOX_SANITIZE is on; the test command uses it.
if(PEEKBOX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
