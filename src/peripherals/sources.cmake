# The blink itself is plain C++ (in keltrix_core); the lamp with its timer and menu is Qt.
set(KELTRIX_PERIPHERALS_CORE_SOURCES
    src/peripherals/blink_thread.cpp
)
set(KELTRIX_PERIPHERALS_SOURCES
    src/peripherals/scroll_flash.cpp
)
