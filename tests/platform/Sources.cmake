# Tests of the platform layer (platform_tests).
set(PLATFORM_TEST_SOURCES
    TicksTest.cpp
    AnsiTextTest.cpp
    IniFileTest.cpp
    SharedMemoryTest.cpp
    ProcessTest.cpp
    ThreadTest.cpp
    WindowMessagesTest.cpp
    IcmpTest.cpp
)
