# The web service, the data document, the metrics and the XML auto-save (plain C++, in
# keltrix_net: cpp-httplib and pugixml, no Qt).
set(KELTRIX_NET_WEB_SOURCES
    src/net/web_view.cpp
    src/net/web_module.cpp
    src/net/data_document.cpp
    src/net/soap_envelope.cpp
    src/net/soap_service.cpp
    src/net/soap_wsdl.cpp
    src/net/metrics.cpp
    src/net/web_http_conn.cpp
    src/net/web_http_server.cpp
    src/net/web_service.cpp
    src/net/web_autosave.cpp
    src/net/web_publishing.cpp
)
# The menu commands, the save timer and their prompts (Qt, in the program).
set(KELTRIX_NET_WEB_UI_SOURCES
    src/net/web_menu.cpp
)
