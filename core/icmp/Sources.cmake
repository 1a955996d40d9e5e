# PingHost: the ICMP reachability check.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PingHost.cpp
)
