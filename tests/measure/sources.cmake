# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_MEASURE
    ${CMAKE_CURRENT_LIST_DIR}/raw_data_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codepage_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/perf_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/net_counters_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sampling_cycle_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mbm_shared_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mbm_link_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/battery_sampling_test.cpp
)
