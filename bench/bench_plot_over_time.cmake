# SPDX-License-Identifier: BSD-3-Clause
# Plot Over Time needs the whole viewer; without it (QUORVANE_BUILD_GUI=OFF)
# this benchmark is left out.
if(TARGET quorvane_app)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  target_link_libraries(bench_plot_over_time PRIVATE quorvane_app quorvane_document Qt6::Widgets)
else()
  set_target_properties(bench_plot_over_time PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
