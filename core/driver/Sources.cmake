list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Device.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceImitator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DevicePoll.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceProperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileReplace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnmpDriver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThreadsList.cpp)
