# SPDX-License-Identifier: BSD-3-Clause
# Fails when a translation unit built for one instruction set defines a weak
# or unique symbol (an out-of-line inline function or template instance).
# The linker keeps one copy of such a symbol for the whole program, so the
# copy built with AVX2 could end up serving the portable path and crash CPUs
# without it. Run as: cmake -DNM=... -DOBJECTS=<list> -P CheckIsaObjects.cmake
set(_checked 0)
foreach(_object IN LISTS OBJECTS)
  if(NOT _object MATCHES "(Avx2|Sse41)Kernels\\.cpp\\.(o|obj)$")
    continue()
  endif()
  math(EXPR _checked "${_checked} + 1")
  execute_process(COMMAND ${NM} --defined-only ${_object}
                  OUTPUT_VARIABLE _symbols RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${_object}")
  endif()
  string(REGEX MATCHALL "[^\n]* [WVu] [^\n]*" _shared "${_symbols}")
  if(_shared)
    message(FATAL_ERROR "${_object} defines symbols the linker may share:\n${_shared}")
  endif()
endforeach()
if(_checked EQUAL 0)
  message(FATAL_ERROR "no instruction-set objects among: ${OBJECTS}")
endif()
