# SPDX-License-Identifier: BSD-3-Clause
# QUORVANE_BUILD_PYTHON (AUTO, ON or OFF, see OptionalParts.cmake): the
# `quorvane` Python package (pybind11 extension plus pure-Python modules).
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

quorvane_part_option(QUORVANE_BUILD_PYTHON AUTO "Build the quorvane Python package")
if(QUORVANE_SANITIZE OR QUORVANE_BUILD_FUZZ)
  message(STATUS "Quorvane: Python package left out of the sanitizer and fuzz builds")
  set(QUORVANE_BUILD_PYTHON OFF)
else()
  set(_quorvane_python_found OFF)
  if(NOT QUORVANE_BUILD_PYTHON STREQUAL "OFF")
    find_package(Python3 3.9 QUIET COMPONENTS Interpreter Development.Module)
    if(Python3_FOUND)
      find_package(pybind11 2.6 CONFIG QUIET)
      set(_quorvane_python_found ${pybind11_FOUND})
    endif()
  endif()
  quorvane_resolve_part(QUORVANE_BUILD_PYTHON "Python package" _quorvane_python_found
                        "pybind11 or the Python headers (pybind11-dev, python3-dev)")
endif()

if(QUORVANE_BUILD_PYTHON)
  # Where the package goes, relative to the install prefix. Empty: asked of
  # the interpreter at install time for the prefix installed to.
  set(QUORVANE_PYTHON_INSTALL_DIR "" CACHE STRING
      "Folder for the quorvane package, relative to the install prefix (empty: the interpreter's choice)")
endif()
