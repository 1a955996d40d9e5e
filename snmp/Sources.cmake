# Sources of the SNMP client (plinvar_snmp).
set(SNMP_SOURCES
    Ber.cpp
    Oid.cpp
    Pdu.cpp
    Crypto.cpp
    Usm.cpp
    MessageV3.cpp
    UdpTransport.cpp
    SnmpClient.cpp
    SnmpV3.cpp
)
