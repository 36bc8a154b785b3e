# SPDX-License-Identifier: BSD-3-Clause
cmake_minimum_required(VERSION 3.25)
# Installs the build into a fresh PREFIX and checks that every file users
# need is there, and that bin/ holds exactly the two programs.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)

set(expected
  bin/quorvane-cli
  share/man/man1/quorvane-cli.1.gz
  share/bash-completion/completions/quorvane-cli
  share/doc/quorvane/copyright
  share/doc/quorvane/CHANGELOG.md
  share/doc/quorvane/changelog.gz
  ${LIBDIR}/quorvane/modules/quorvane-video.so)
set(programs bin/quorvane-cli)
if(PYTHON)
  # A prefix of one's own gets the folder Python itself searches for it.
  set(_site lib/python${PYTHON_VERSION}/site-packages/quorvane)
  list(APPEND expected ${_site}/__init__.py ${_site}/dask.py ${_site}/quorvane-video.so)
endif()
if(GUI)
  list(APPEND expected
    bin/quorvane
    share/man/man1/quorvane.1.gz
    share/applications/quorvane.desktop
    share/mime/packages/quorvane.xml
    share/metainfo/org.quorvane.quorvane.metainfo.xml
    share/icons/hicolor/scalable/apps/quorvane.svg
    share/icons/hicolor/scalable/mimetypes/application-x-vorn.svg)
  foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quorvane.png
                         share/icons/hicolor/${size}x${size}/mimetypes/application-x-vorn.png)
  endforeach()
  list(APPEND programs bin/quorvane)
endif()

set(missing)
foreach(f IN LISTS expected)
  if(NOT f IN_LIST installed)
    list(APPEND missing ${f})
  endif()
endforeach()
set(bin)
foreach(f IN LISTS installed)
  if(f MATCHES "^bin/")
    list(APPEND bin ${f})
  endif()
endforeach()
list(SORT bin)
list(SORT programs)
if(missing OR NOT bin STREQUAL programs)
  list(JOIN installed "\n  " list)
  message(FATAL_ERROR "missing: ${missing}\nbin: ${bin}\ninstalled:\n  ${list}")
endif()
# The installed programs run from there (the viewer answers without a display).
foreach(f IN LISTS programs)
  execute_process(COMMAND env -u DISPLAY -u WAYLAND_DISPLAY ${PREFIX}/${f} --version
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  get_filename_component(name ${f} NAME)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^${name} [0-9]+\\.[0-9]+\\.[0-9]+\n$")
    message(FATAL_ERROR "${f} --version: ${rc} '${out}'")
  endif()
endforeach()
# The installed program finds its video module.
execute_process(COMMAND ${PREFIX}/bin/quorvane-cli demo ${PREFIX}/check.vrn --frames 3 --size 64x48
                COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
execute_process(COMMAND env -u QUORVANE_VIDEO_MODULE ${PREFIX}/bin/quorvane-cli export
                        ${PREFIX}/check.vrn -o ${PREFIX}/check.mkv -q
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${PREFIX}/check.mkv)
  message(FATAL_ERROR "installed quorvane-cli export to .mkv: ${rc} ${err}")
endif()
list(LENGTH installed count)
message(STATUS "${count} files installed, all expected ones present")
