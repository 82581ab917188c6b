# Plain C++ part (in keltrix_core).
set(KELTRIX_SETTINGS_CORE_SOURCES
)
# Qt part (dialogs, editor), in the program.
set(KELTRIX_SETTINGS_UI_SOURCES
)
