# DrvSnmpRequest: the SNMP request configuration (Plinvar.xml) and its process-wide instance.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RequestTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OidTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrvSnmpRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrvSnmpRequestQuery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RequestConfiguration.cpp
)
