# Sources of snmp_tests.
set(SNMP_TEST_SOURCES
    SnmpdRunner.cpp
    TestAgent.cpp
    BerTests.cpp
    CryptoTests.cpp
    CommunityTests.cpp
    UsmTests.cpp
    MisbehaviourTests.cpp
    TripleDesTests.cpp
)
