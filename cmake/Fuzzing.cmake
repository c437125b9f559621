# libFuzzer build (clang only): every library gets coverage and ASan/UBSan instrumentation, the
# targets under fuzz/ add libFuzzer's main. Configured in a build folder of its own (build-fuzz).
if(PEEKBOX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "PEEKBOX_FUZZ needs clang (CC=clang-14 CXX=clang++-14)")
  endif()
  if(PEEKBOX_SANITIZE)
    message(FATAL_ERROR "PEEKBOX_FUZZ brings its own sanitizers; leave PEEKBOX_SANITIZE off")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
