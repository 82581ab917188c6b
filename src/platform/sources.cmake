set(KELTRIX_PLATFORM_SOURCES
    src/platform/linux/paths.cpp
)
