# Warning flags for the project's own targets (not for third-party code).
function(peekbox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow
                         $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
  if(PEEKBOX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
