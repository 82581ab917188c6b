# The client/server record link (plain C++ over the platform's sockets).
set(KELTRIX_NET_LINK_SOURCES
    src/net/cipher.cpp
    src/net/link_session.cpp
    src/net/link_server.cpp
    src/net/tcp_dial.cpp
    src/net/link_client.cpp
    src/net/link.cpp
)
