# The shared-memory channel between the plug-in and the server.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BusyByte.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VantorelixInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StaticTags.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DynamicTags.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandQueue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TerminalSection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IntercomInterface.cpp
)
