set(KELTRIX_TEST_SETTINGS
)
# Small programs that tests start as separate processes.
list(APPEND KELTRIX_TEST_HELPERS
)
