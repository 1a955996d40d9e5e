# Error reporting and terminal buffers.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TerminalData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ErrorTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DriverError.cpp
)
