# Sources of the platform layer (plinvar_platform).
set(PLATFORM_SOURCES
    Ticks.cpp
    AnsiText.cpp
    IniFile.cpp
    FileReplace.cpp
    RuntimeDirectory.cpp
    SharedMemory.cpp
    Process.cpp
    Thread.cpp
    WindowMessages.cpp
    Icmp.cpp
)
