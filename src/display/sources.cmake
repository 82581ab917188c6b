set(KELTRIX_DISPLAY_SOURCES
    src/display/colors.cpp
    src/display/markup.cpp
    src/display/color_resolve.cpp
    src/display/qab_label.cpp
)
