# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_PLATFORM
    ${CMAKE_CURRENT_LIST_DIR}/perf_data_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/perf_walk_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/if_table_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/memory_drives_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/power_status_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_info_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/proc_parse_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/live_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/runtime_folder_test.cpp
)
