# The advanced log and error types are plain C++: every layer logs through them.
set(KELTRIX_DIAG_SOURCES
    src/app/smartlog.cpp
)
set(KELTRIX_APP_SOURCES
    ${KELTRIX_SETTINGS_UI_SOURCES}
)
