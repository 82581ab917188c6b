# SPDX-License-Identifier: MIT
set(KELTRIX_TEST_BASE
    ${CMAKE_CURRENT_LIST_DIR}/smartlog_test.cpp
)
