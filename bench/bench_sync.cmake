# SPDX-License-Identifier: BSD-3-Clause
# Stepping with the frame keys needs the whole viewer (main window, frame
# bar); without it (QUORVANE_BUILD_GUI=OFF) this benchmark is left out.
if(TARGET quorvane_app)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  target_link_libraries(bench_sync PRIVATE quorvane_app quorvane_document Qt6::Widgets)
else()
  set_target_properties(bench_sync PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
