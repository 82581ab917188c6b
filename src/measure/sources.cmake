set(KELTRIX_MEASURE_SOURCES
    src/measure/codepage.cpp
    src/measure/raw_data.cpp
)
