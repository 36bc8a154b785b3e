# SPDX-License-Identifier: BSD-3-Clause
# A plain command-line program (its own main), timed by bench/export-bench.sh.
find_package(PNG REQUIRED)
target_link_libraries(bench_png_baseline PRIVATE quorvane_export PNG::PNG)
