# SPDX-License-Identifier: BSD-3-Clause
# Project-wide warning set, applied per target with quorvane_warnings(target).
function(quorvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(QUORVANE_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
      -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
    if(QUORVANE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# Tests and benchmarks use a lighter set: gtest macros trip -Wconversion and friends.
function(quorvane_test_warnings target)
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(QUORVANE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
