# The uptime report to the ranking service (plain C++ over the platform's sockets).
set(KELTRIX_NET_UPTIMES_SOURCES
    src/net/uptimes_report.cpp
    src/net/uptimes_client.cpp
)
