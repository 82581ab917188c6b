# The markup parser and colour table are plain C++ (in keltrix_core, fuzzed without Qt).
set(KELTRIX_DISPLAY_CORE_SOURCES
    src/display/colors.cpp
    src/display/markup.cpp
)
set(KELTRIX_DISPLAY_SOURCES
    src/display/color_resolve.cpp
    src/display/qab_label.cpp
)
