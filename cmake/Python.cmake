# SPDX-License-Identifier: BSD-3-Clause
# QUORVANE_BUILD_PYTHON: the `quorvane` Python package (pybind11 extension
# plus pure-Python modules). ON by default when pybind11 and the Python
# development files are found.
#
# Not built with the sanitizers (nor in the fuzz build, whose libraries carry
# them): an instrumented extension only loads into an interpreter started with
# the ASan runtime preloaded, and the interpreter's own allocations then flood
# the leak checker. The C++ underneath is covered by the sanitizer build of
# the C++ tests.

# Debian's interpreter is the one that has numpy, Dask and pytest; prefer it
# over whatever python3 comes first on PATH.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()

set(_quorvane_python_default OFF)
if(NOT QUORVANE_SANITIZE AND NOT QUORVANE_BUILD_FUZZ)
  find_package(Python3 3.9 QUIET COMPONENTS Interpreter Development.Module)
  if(Python3_FOUND)
    find_package(pybind11 2.6 CONFIG QUIET)
    if(pybind11_FOUND)
      set(_quorvane_python_default ON)
    endif()
  endif()
endif()
option(QUORVANE_BUILD_PYTHON "Build the quorvane Python package (needs pybind11 and python3-dev)"
       ${_quorvane_python_default})

if(QUORVANE_BUILD_PYTHON AND (QUORVANE_SANITIZE OR QUORVANE_BUILD_FUZZ))
  message(STATUS "Python package not built with the sanitizers (QUORVANE_SANITIZE/QUORVANE_BUILD_FUZZ)")
  set(QUORVANE_BUILD_PYTHON OFF CACHE BOOL "" FORCE)
endif()
if(QUORVANE_BUILD_PYTHON)
  find_package(Python3 3.9 REQUIRED COMPONENTS Interpreter Development.Module)
  find_package(pybind11 2.6 CONFIG REQUIRED)
endif()
