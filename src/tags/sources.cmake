# SPDX-License-Identifier: MIT
set(KELTRIX_TAGS_SOURCES
    src/tags/battery_format.cpp
    src/tags/date_locale.cpp
    src/tags/date_time_format.cpp
    src/tags/duration_format.cpp
    src/tags/file_line.cpp
    src/tags/formatter.cpp
    src/tags/formatters.cpp
    src/tags/mbm_format.cpp
    src/tags/network_format.cpp
    src/tags/nonperf_format.cpp
    src/tags/nonperf_render.cpp
    src/tags/number_format.cpp
    src/tags/page_ram_format.cpp
    src/tags/proc_format.cpp
    src/tags/utp_format.cpp
)
