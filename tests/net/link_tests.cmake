set(KELTRIX_TEST_NET_LINK
    ${CMAKE_CURRENT_LIST_DIR}/cipher_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/link_session_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/link_server_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/link_client_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/poll_loop_test.cpp
)
