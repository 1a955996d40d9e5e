# Sources of the SNMP client (plinvar_snmp).
set(SNMP_SOURCES
    Ber.cpp
    Oid.cpp
    Pdu.cpp
    UdpTransport.cpp
    SnmpClient.cpp
    SnmpV3.cpp
)
