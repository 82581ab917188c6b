set(KELTRIX_FUZZERS
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_feed.cpp
)
