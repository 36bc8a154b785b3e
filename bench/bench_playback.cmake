# SPDX-License-Identifier: BSD-3-Clause
# Playback through a visible frame view needs the Qt display library; without
# the viewer (QUORVANE_BUILD_GUI=OFF) this benchmark is left out of the build.
if(TARGET quorvane_display)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  # The corrected recording comes from the command line's demo writer.
  target_link_libraries(bench_playback PRIVATE quorvane_display quorvane_document Qt6::Widgets)
  # The Measurements dock comes from the viewer's application library.
  if(TARGET quorvane_app)
    target_link_libraries(bench_playback PRIVATE quorvane_app)
  endif()
else()
  set_target_properties(bench_playback PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
