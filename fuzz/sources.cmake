# SPDX-License-Identifier: MIT
set(KELTRIX_FUZZERS
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_proc_stat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_meminfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_net_dev.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_pid_stat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_cpuinfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_mounts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_power_supply.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_perf_walk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_registry_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_feed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_link_request.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_link_read.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_switches.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_markup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_links.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_apply_tags.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_date_time.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_mbm_shared.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_config_xml.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_update_file.cpp
)
# Targets of the web service (they link cpp-httplib and pugixml).
set(KELTRIX_NET_FUZZERS
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_soap_request.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_http_request.cpp
)
