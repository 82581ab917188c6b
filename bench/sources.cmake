# SPDX-License-Identifier: MIT
set(KELTRIX_BENCHMARKS
    ${CMAKE_CURRENT_LIST_DIR}/bench_feed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_apply_tags.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_sampling.cpp
    ${CMAKE_CURRENT_LIST_DIR}/minimal_reads.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_sensor_block.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_xml_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_smartlog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bench_file_data.cpp
)
# Benchmarks of the window's own libraries.
set(KELTRIX_UPDATE_BENCHMARKS
    ${CMAKE_CURRENT_LIST_DIR}/bench_update.cpp
)
