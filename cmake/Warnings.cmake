# Warning flags for the project's own targets (not for third-party code).
function(peekbox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow
                         $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
  # GCC 12 reports `"literal" + std::string` as an overlapping copy at -O3, depending on what it
  # inlines (its false -Wrestrict on std::string, mended in GCC 13).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
  endif()
  if(PEEKBOX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
