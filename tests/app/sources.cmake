# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_DIAG
    ${CMAKE_CURRENT_LIST_DIR}/process_entry_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_switches_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/console_output_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reference_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hotkey_convert_test.cpp
)
