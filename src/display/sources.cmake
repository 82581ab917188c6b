# SPDX-License-Identifier: MIT
# The markup parser and colour table are plain C++ (in keltrix_core, fuzzed without Qt).
set(KELTRIX_DISPLAY_CORE_SOURCES
    src/display/colors.cpp
    src/display/markup.cpp
    src/display/layout_text.cpp
    src/display/links.cpp
)
set(KELTRIX_DISPLAY_SOURCES
    src/display/color_resolve.cpp
    src/display/qab_label.cpp
    src/display/display_layout.cpp
    src/display/prompts.cpp
    src/display/background_image.cpp
    src/display/x11_desktop.cpp
    src/display/window_behaviour.cpp
    src/display/window_appearance.cpp
    src/display/window_zorder.cpp
    src/display/window_shape.cpp
    src/display/window_place.cpp
    src/display/app_icon.cpp
    src/display/drag_handle.cpp
    src/resources/keltrix_icon.qrc
)
