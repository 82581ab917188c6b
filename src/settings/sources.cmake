# Plain C++ part (in keltrix_core).
set(KELTRIX_SETTINGS_CORE_SOURCES
    src/settings/registry_file.cpp
    src/settings/registry_store.cpp
    src/settings/default_format.cpp
    src/settings/settings_key.cpp
    src/settings/uptime_stats.cpp
    src/settings/service_settings.cpp
)
# Qt part (dialogs, editor), in the program.
set(KELTRIX_SETTINGS_UI_SOURCES
)
