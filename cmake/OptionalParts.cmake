# SPDX-License-Identifier: BSD-3-Clause
# Parts of the build that depend on libraries a plain build may not have:
# the tests, the benchmarks and the Python package. Each is an option with
# three values:
#   AUTO  build it when its libraries are found; otherwise leave it out and
#         say so in one line on standard error
#   ON    build it; a missing library stops the configure (scripts/test, CI)
#   OFF   leave it out
# After quorvane_resolve_part() the option's variable is plain ON or OFF, so
# the rest of the build tests it with if().

# quorvane_part_option(<var> <default> <doc>)
function(quorvane_part_option var default doc)
  set(${var} ${default} CACHE STRING "${doc}: AUTO (when its libraries are found), ON or OFF")
  set_property(CACHE ${var} PROPERTY STRINGS AUTO ON OFF)
endfunction()

# quorvane_resolve_part(<var> <label> <found> <missing>): <found> is the name
# of a variable that is true when the libraries are there; <missing> names
# the Debian packages that bring them, for the message.
function(quorvane_resolve_part var label found missing)
  string(TOUPPER "${${var}}" _mode)
  if(_mode STREQUAL "AUTO")
    if(${found})
      set(_build ON)
    else()
      set(_build OFF)
      message(NOTICE "-- Quorvane: ${label} left out: ${missing} not found "
                     "(scripts/install-deps installs it; ${var}=ON makes this an error)")
    endif()
  elseif(_mode MATCHES "^(ON|YES|TRUE|Y|1)$")
    if(NOT ${found})
      message(FATAL_ERROR "${var}=ON but ${missing} not found")
    endif()
    set(_build ON)
  else()
    set(_build OFF)
    message(STATUS "Quorvane: ${label} left out (${var}=${${var}})")
  endif()
  set(${var} ${_build} PARENT_SCOPE)
endfunction()

set(_quorvane_part_default OFF)
if(PROJECT_IS_TOP_LEVEL)
  set(_quorvane_part_default AUTO)
endif()
quorvane_part_option(QUORVANE_BUILD_TESTS ${_quorvane_part_default} "Build the tests")
quorvane_part_option(QUORVANE_BUILD_BENCH ${_quorvane_part_default} "Build the benchmarks")

# Only look for what a part would use, so OFF costs nothing.
set(_quorvane_tests_found OFF)
if(NOT QUORVANE_BUILD_TESTS STREQUAL "OFF")
  find_package(GTest QUIET)
  if(GTest_FOUND AND TARGET GTest::gtest_main)
    set(_quorvane_tests_found ON)
  endif()
endif()
quorvane_resolve_part(QUORVANE_BUILD_TESTS "tests" _quorvane_tests_found "GoogleTest (libgtest-dev)")

set(_quorvane_bench_found OFF)
if(NOT QUORVANE_BUILD_BENCH STREQUAL "OFF")
  find_package(benchmark QUIET)
  set(_quorvane_bench_found ${benchmark_FOUND})
endif()
quorvane_resolve_part(QUORVANE_BUILD_BENCH "benchmarks" _quorvane_bench_found
                      "Google Benchmark (libbenchmark-dev)")
