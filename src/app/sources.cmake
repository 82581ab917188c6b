# SPDX-License-Identifier: MIT
# Plain C++ (in keltrix_core): the switches, the shared start-up and console mode.
set(KELTRIX_APP_CORE_SOURCES
    src/app/help_page.cpp
    src/app/process_entry.cpp
    src/app/startup_switches.cpp
    src/app/console_output.cpp
    src/app/monitor_core.cpp
    src/app/console_mode.cpp
    src/app/hotkey_convert.cpp
    src/app/console_sensors.cpp
    src/app/console_client.cpp
    src/app/server_options.cpp
    src/app/reference.cpp
    src/app/autostart.cpp
    src/app/console_json.cpp
    src/app/web_options.cpp
    src/app/entry.cpp
)
# Plain C++ too, but with the web service (cpp-httplib): in keltrix_headless.
set(KELTRIX_APP_HEADLESS_SOURCES
    src/app/headless_mode.cpp
    src/app/headless_web.cpp
)
set(KELTRIX_APP_SOURCES
    src/app/keltrix_application.cpp
    src/app/keltrix_main.cpp
    src/app/main_timer.cpp
    src/app/dialogs.cpp
    src/app/vistrand_display.cpp
    src/app/startup.cpp
    src/app/shutdown.cpp
    src/app/commands.cpp
    src/app/web_wiring.cpp
    src/app/tray_icon.cpp src/app/tray_pictures.cpp
    src/app/hotkeys.cpp src/app/hotkey_dialog.cpp src/app/shell_keys.cpp
    ${KELTRIX_PERIPHERALS_SOURCES}
    src/app/sensor_link.cpp src/app/power_notices.cpp
    src/app/qt_event_loop.cpp src/app/net_commands.cpp
    src/app/config_commands.cpp
    src/app/outside_commands.cpp src/app/message_copy.cpp
    src/app/desktop_notifications.cpp
    ${KELTRIX_SETTINGS_UI_SOURCES}
)
