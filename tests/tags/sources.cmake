# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_TAGS
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/date_time_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_line_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/formatter_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/number_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/perf_tags_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_tags_test.cpp
)
