# DrvSnmpRequest: the SNMP request configuration (Plinvar.xml) and its process-wide instance.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RequestTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OidTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrvSnmpRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrvSnmpRequestQuery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RequestConfiguration.cpp
)
# SNMP_Protocol: the SNMP device, its property table and its connection.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SnmpProtocolTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnmpProperty.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnmpConnection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnmpDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnmpDeviceValues.cpp
)
