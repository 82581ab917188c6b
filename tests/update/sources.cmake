set(KELTRIX_TEST_UPDATE
    ${CMAKE_CURRENT_LIST_DIR}/update_check_test.cpp
)
