# SPDX-License-Identifier: MIT
set(KELTRIX_MEASURE_SOURCES
    src/measure/codepage.cpp
    src/measure/date_time.cpp
    src/measure/raw_data.cpp
    src/measure/bug_report.cpp
    src/measure/comma_text.cpp
    src/measure/memory_scale.cpp
    src/measure/net_counters.cpp
    src/measure/perf_reader.cpp
    src/measure/sampling_cycle.cpp
    src/measure/mbm_shared.cpp
    src/measure/mbm_link.cpp
)
