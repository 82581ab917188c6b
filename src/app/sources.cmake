# The advanced log and error types are plain C++: every layer logs through them.
set(KELTRIX_DIAG_SOURCES
    src/app/smartlog.cpp
    src/app/help_page.cpp
    src/app/process_entry.cpp
    src/app/startup_switches.cpp
    src/app/console_output.cpp
    src/app/monitor_core.cpp
)
set(KELTRIX_APP_SOURCES
    src/app/keltrix_application.cpp
    src/app/keltrix_main.cpp
    src/app/main_timer.cpp
    src/app/vistrand_display.cpp
    ${KELTRIX_SETTINGS_UI_SOURCES}
)
