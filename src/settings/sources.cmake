# SPDX-License-Identifier: MIT
# Plain C++ part (in keltrix_core).
set(KELTRIX_SETTINGS_CORE_SOURCES
    src/settings/registry_file.cpp
    src/settings/registry_store.cpp
    src/settings/default_format.cpp
    src/settings/settings_key.cpp
    src/settings/uptime_stats.cpp
    src/settings/service_settings.cpp
    src/settings/xml_component.cpp
    src/settings/xml_value.cpp
    src/settings/xml_val_source.cpp
    src/settings/xml_change_thread.cpp
    src/settings/xml_data_module.cpp
    src/settings/config_set.cpp
    src/settings/format_preview.cpp
)
# Qt part (dialogs, editor), in the program.
set(KELTRIX_SETTINGS_UI_SOURCES
    src/settings/xml_controls.cpp
    src/settings/config_sets.cpp
    src/settings/vistrand_options.cpp
    src/settings/option_prompts.cpp
)
