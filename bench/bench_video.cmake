# SPDX-License-Identifier: BSD-3-Clause
# A plain command-line program (its own main), timed by bench/video-bench.sh.
target_link_libraries(bench_video PRIVATE quorvane_export)
