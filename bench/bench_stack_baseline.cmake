# SPDX-License-Identifier: BSD-3-Clause
# A plain command-line program (its own main), timed by bench/stack-bench.sh.
find_package(TIFF REQUIRED)
target_link_libraries(bench_stack_baseline PRIVATE TIFF::TIFF)
