# SPDX-License-Identifier: BSD-3-Clause
# A plain command-line program (its own main), timed by bench/convert-baselines.sh.
find_package(TIFF REQUIRED)
target_link_libraries(bench_write_baselines PRIVATE TIFF::TIFF)
