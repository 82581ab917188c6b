set(KELTRIX_TEST_DIAG
    ${CMAKE_CURRENT_LIST_DIR}/smartlog_test.cpp
)
