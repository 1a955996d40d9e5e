# Sources of snmp_tests.
set(SNMP_TEST_SOURCES
    BerTests.cpp
)
