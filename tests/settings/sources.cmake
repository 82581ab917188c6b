# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_SETTINGS
    ${CMAKE_CURRENT_LIST_DIR}/service_settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uptime_stats_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_key_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/default_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_store_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_concurrency_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xml_value_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xml_source_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xml_data_module_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xml_change_thread_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/config_set_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/format_preview_test.cpp
)
# Small programs that tests start as separate processes.
list(APPEND KELTRIX_TEST_HELPERS
    ${CMAKE_CURRENT_LIST_DIR}/reg_writer.cpp
)
