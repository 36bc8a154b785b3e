# SPDX-License-Identifier: BSD-3-Clause
# The test recordings come from the command line's demo writer.
target_link_libraries(bench_open PRIVATE quorvane_document)
